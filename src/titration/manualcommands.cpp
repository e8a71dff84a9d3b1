#include "manualcommands.h"

#include "common/clock.h"
#include "common/dateformat.h"
#include "link/instrumentlink.h"
#include "model/abstractdocument.h"
#include "titration/dosinglimits.h"

#include <QCoreApplication>

ManualCommands::ManualCommands(InstrumentLink &link, DocumentHost &documents, const Clock &clock)
    : m_link(link)
    , m_documents(documents)
    , m_clock(clock)
{ }

LinkStatus ManualCommands::fill()
{
    if (m_link.sendCommand(QStringLiteral("BF")))
        return LinkStatus::done();
    // No message of its own: the reopen reports when the port cannot be opened.
    return m_link.InitRs();
}

DoseStatus ManualCommands::dose(const QString &txtDos)
{
    const std::optional<QString> volume = DosingLimits::doseArgument(txtDos);
    if (!volume) {
        return {QCoreApplication::translate("ManualCommands",
                    "The dose must be a number greater than 0 and at most 100 mL. "
                    "Nothing was dosed."),
            LinkStatus::done()};
    }
    QString reason;
    if (!m_link.sendCommand(QStringLiteral("DA") + *volume, &reason))
        return {{}, LinkStatus::failure(reason)}; // nothing was dosed, so nothing is noted
    if (AbstractDocument *doc = m_documents.activeDocument())
        doc->appendText(doseNote(m_clock.now(), txtDos, m_locale));
    return {};
}

LinkStatus ManualCommands::readResult()
{
    return readOut(QStringLiteral("LR"));
}

LinkStatus ManualCommands::readData()
{
    return readOut(QStringLiteral("LD"));
}

LinkStatus ManualCommands::readOut(const QString &command)
{
    if (m_link.sendCommand(QStringLiteral("EX")))
        m_link.sendCommand(command);
    return m_link.InitRs();
}

QString ManualCommands::doseNote(const QDateTime &now, const QString &txtDos, const QLocale &locale)
{
    // The locale's short time form, with seconds added where it has none.
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    if (!timeFormat.contains(u's')) {
        const qsizetype minutes = timeFormat.indexOf(QStringLiteral("mm"));
        if (minutes >= 0)
            timeFormat.insert(minutes + 2, QStringLiteral(":ss"));
        else
            timeFormat = QStringLiteral("HH:mm:ss");
    }
    return locale.toString(now.date(), shortDateFormat(locale)) + u' '
        + locale.toString(now.time(), timeFormat) + u' ' + txtDos + QStringLiteral(" ml\r\n");
}
