#include "journalchoice.h"

#include <QCoreApplication>
#include <QSettings>

namespace JournalChoice {

QString settingsKey()
{
    return QStringLiteral("Journal/Url");
}

std::optional<JournalLocation> choose(
    const std::optional<QString> &option, const QSettings &settings, QString *problem)
{
    QString error;
    if (option) {
        if (auto location = JournalLocation::parse(*option, &error))
            return location;
        if (problem)
            *problem = QCoreApplication::translate("JournalCommand", "--journal: %1").arg(error);
        return std::nullopt;
    }
    const QString configured = settings.value(settingsKey()).toString().trimmed();
    if (configured.isEmpty())
        return JournalLocation::defaultLocation();
    if (auto location = JournalLocation::parse(configured, &error))
        return location;
    if (problem)
        *problem = QCoreApplication::translate(
            "JournalCommand", "the journal of the settings (%1 in %2): %3")
                       .arg(settingsKey(), settings.fileName(), error);
    return std::nullopt;
}

} // namespace JournalChoice
