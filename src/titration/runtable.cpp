#include "runtable.h"

#include <QCoreApplication>

namespace RunTable {

QString title(bool dynamicDosing, bool driftReading)
{
    QString head = QStringLiteral("  Titrations Daten");
    // A run of another method says which, so that its table can be read later. The words keep
    // the run's translation context.
    if (dynamicDosing || driftReading) {
        const QString dosing = dynamicDosing
            ? QCoreApplication::translate("TitrationRun", "dynamic")
            : QCoreApplication::translate("TitrationRun", "fixed", "dosing");
        const QString reading = driftReading
            ? QCoreApplication::translate("TitrationRun", "drift")
            : QCoreApplication::translate("TitrationRun", "fixed", "reading");
        head += QStringLiteral(" (") + dosing + QStringLiteral(", ") + reading + u')';
    }
    return head + QStringLiteral("\r\n");
}

QString columnHead(bool millivolts)
{
    return millivolts ? QStringLiteral("   ml        mV        [s]\r\n")
                      : QStringLiteral("   ml        pH        [s]\r\n");
}

QString row(double volume, int volumeDecimals, double value, double seconds, bool forced,
    Numbers::Separators sep)
{
    return QStringLiteral("  ") + Numbers::format(volume, volumeDecimals, sep)
        + QStringLiteral("    ") + Numbers::format(value, 3, sep) + QStringLiteral("  ")
        + Numbers::format(seconds, 1, sep)
        // The mark stands after the row's blanks, so the row scanner still takes the time.
        + (forced ? QStringLiteral("  *\n") : QStringLiteral("  \n"));
}

} // namespace RunTable
