// Fuzz target: received bytes through the receive path and the report evaluation, with the data
// request reopening the port from inside the receive loop.
//
// Input: byte 0 chooses the decimal separator, the language, the handshake state, whether a
// document is open and where the run's row is; byte 1 the size of the pieces the bytes arrive
// in; the rest is what the titrator sends. Besides crashes it checks that every received
// character reaches a line exactly once and the store stays inside its bounds.

#include "common/clock.h"
#include "evaluation/reportevaluator.h"
#include "fakeserialport.h"
#include "link/instrumentlink.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"
#include "titration/manualcommands.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    const size_t piece = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    SettingsRecord settings;
    settings.separators.decimal = (flags & 1) ? u',' : u'.';
    settings.Sprache = (flags & 2) ? 1 : 2;
    MeasurementStore store;
    const char *handshake[] = {"", "D", "M", "Y"};
    store.Rueckmeldung = rueckmeldungFromText(QString::fromLatin1(handshake[(flags >> 2) & 3]));
    store.MessIndex = qint16((flags & 0x40) ? 500 : 3);
    FakeDocumentHost documents;
    if (!(flags & 0x10))
        documents.newDocument();

    FakeSerialPort port;
    InstrumentLink link(port, settings);
    SystemClock clock;
    ManualCommands commands(link, documents, clock);
    ReportEvaluator evaluator(store, settings, documents);
    QString delivered;
    link.setLineHandler([&](const QString &line) {
        check(!line.isEmpty() && line.size() <= InstrumentLink::MaxLineLength);
        delivered += line;
        evaluator.RsAuswertung(line);
        check(store.AnzahlWerte >= 0 && store.AnzahlWerte <= 500);
        check(store.DatenModus == MeasurementStore::TextMode
            || store.DatenModus == MeasurementStore::DataMode);
    });
    evaluator.setDataRequest([&] { commands.readData(); });
    link.InitRs();

    // Seven bits on the wire, as the serial component delivers them.
    QString sent;
    for (size_t pos = 0; pos < size; pos += piece) {
        QString chunk;
        for (size_t i = pos; i < size && i < pos + piece; ++i)
            chunk.append(QChar::fromLatin1(char(data[i] & 0x7f)));
        sent += chunk;
        port.receive(chunk);
    }
    QCoreApplication::processEvents();

    // Nothing lost, nothing doubled: the lines and the unfinished rest are what was sent.
    sent.replace(u'.', settings.separators.decimal);
    check(delivered + link.Zeile() == sent);
    return 0;
}
