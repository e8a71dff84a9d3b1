#pragma once

#include "link/linkstatus.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

class Clock;
class DocumentHost;
class InstrumentLink;

// The outcome of the Dose button: refused with a reason (the field holds no volume the burette
// can dose, so nothing was sent), or the line's outcome.
struct DoseStatus
{
    QString refused;
    LinkStatus line;
};

// The four instrument buttons: fill, dose, read out the result, read out the stored data.
// Each writes its commands and returns at once; the replies arrive through the receive path.
// A failure comes back as a value for the window to show.
class ManualCommands
{
public:
    ManualCommands(InstrumentLink &link, DocumentHost &documents, const Clock &clock);

    // The locale of the date and time in the dose note; the user's own unless a test says.
    void setLocale(const QLocale &locale) { m_locale = locale; }

    // "BF"; when the write fails the port is opened anew and that outcome is returned.
    LinkStatus fill();
    // "DA" and the dose field with "," turned into ".", when the field holds a volume the
    // burette can dose; a note of the dose in the active document, only when the command went
    // out.
    DoseStatus dose(const QString &txtDos);
    // "EX" and "LR" (a failed write skips the rest), then the port is opened anew.
    LinkStatus readResult();
    // As the result read-out with "LD"; also the data request after a result report.
    LinkStatus readData();

    // The document line of a dose: date, time with seconds, the field as typed, " ml", CR LF.
    static QString doseNote(const QDateTime &now, const QString &txtDos, const QLocale &locale);

private:
    LinkStatus readOut(const QString &command);

    InstrumentLink &m_link;
    DocumentHost &m_documents;
    const Clock &m_clock;
    QLocale m_locale;
};
