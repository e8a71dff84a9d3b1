// make-example: writes the sample document that ships with the program. The simulated
// titrator's stored-data report goes, line by line, through the program's own report
// evaluation into a document, which is saved with the program's own RTF writer: the file is
// what "Data" followed by "Save" gives on an instrument.
//
//   make-example OUT.rtf [--strong] [--seed N]

#include "instrument.h"

#include "documents/chartmodel.h"
#include "documents/documentfile.h"
#include "evaluation/reportevaluator.h"
#include "model/abstractdocument.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// The document the report lands in: text with CR LF paragraph breaks, and a chart.
class MemoryDocument : public AbstractDocument, public DocumentHost
{
public:
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = normalised(text); }
    void appendText(const QString &text) override { m_text += normalised(text); }
    AbstractChart &chart() override { return m_chart; }
    AbstractDocument *activeDocument() override { return this; }
    AbstractDocument *newDocument() override { return this; }

private:
    static QString normalised(QString text)
    {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.remove(u'\r');
        return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    }

    QString m_text;
    ChartModel m_chart;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Instrument::Options options;
    bool weak = true;
    if (args.removeAll(QStringLiteral("--strong")) > 0)
        weak = false;
    const qsizetype seedAt = args.indexOf(QStringLiteral("--seed"));
    if (seedAt >= 0 && seedAt + 1 < args.size()) {
        options.seed = args.at(seedAt + 1).toUInt();
        args.remove(seedAt, 2);
    }
    if (args.size() != 1) {
        std::fputs("Usage: make-example OUT.rtf [--strong] [--seed N]\n", stderr);
        return 2;
    }
    options.sample = AcidSample::forEquivalence(weak, 10.0);
    Instrument instrument(options);

    SettingsRecord settings; // "." as the decimal separator, as the titrator prints
    MeasurementStore store;
    MemoryDocument document;
    ReportEvaluator evaluator(store, settings, document);
    for (const std::string &line : instrument.handle("LD"))
        evaluator.RsAuswertung(QString::fromStdString(line));

    const FileProblem problem
        = saveDocumentFile(args.first(), RichText::fromPlainText(document.text()));
    if (!problem.ok()) {
        std::fprintf(
            stderr, "%s\n", qPrintable(fileProblemMessage(problem, args.first(), true, false)));
        return 1;
    }
    std::printf("%d rows\n", int(store.AnzahlWerte));
    return 0;
}
