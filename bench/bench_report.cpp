// Cost of a 2,000-line titrator report received in one piece: receive path, evaluation,
// document append, store and chart cells (nothing is painted). Per line, and the cost of the
// last lines against the first, which shows whether a growing document slows appending.

#include "documents/frmdocument.h"
#include "evaluation/reportevaluator.h"
#include "fuzz/fakeserialport.h"
#include "link/instrumentlink.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int ReportLines = 2000;
constexpr int Sections = 5; // data sections, each clearing store and chart
constexpr int Block = 200; // lines compared at the start and at the end

// What the titrator prints: stars, headings, then sections of rows, as sent (with points).
QByteArray report()
{
    QByteArray text = "**********\r\n  TITRATOR  MESSDATEN\r\n  Methode 01\r\n  Probe: Saeure\r\n";
    const int rowsPerSection = (ReportLines - 5) / Sections - 2;
    int lines = 4;
    for (int s = 0; s < Sections; ++s) {
        text += "  Gespeicherte Titration\r\n      ml        pH      t[s]  \r\n";
        lines += 2;
        for (int i = 0; i < rowsPerSection; ++i, ++lines) {
            char row[64];
            std::snprintf(row, sizeof row, "  %7.3f  %8.3f  %8.1f  \r\n", i * 0.05,
                3.0 + 8.0 * i / rowsPerSection, i * 3.5);
            text += row;
        }
    }
    while (lines++ < ReportLines)
        text += "  Ende der Daten\r\n";
    return text;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Feeds the report through port, receive path and evaluation into the host's active document.
void feedReport(benchmark::State &state, DocumentHost &documents)
{
    const QString text = QString::fromLatin1(report());
    SettingsRecord settings;
    settings.separators = Numbers::Separators::comma();
    MeasurementStore store;
    FakeSerialPort port;
    InstrumentLink link(port, settings);
    ReportEvaluator evaluator(store, settings, documents);
    link.InitRs();

    using Clock = std::chrono::steady_clock;
    std::vector<double> lineNs;
    lineNs.reserve(ReportLines);
    link.setLineHandler([&](const QString &line) {
        const auto start = Clock::now();
        evaluator.RsAuswertung(line);
        lineNs.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
    });

    std::vector<double> firstBlock;
    std::vector<double> lastBlock;
    for (auto _ : state) {
        lineNs.clear();
        port.receive(text);
        state.PauseTiming();
        if (int(lineNs.size()) != ReportLines || store.AnzahlWerte == 0) {
            state.SkipWithError("report not evaluated line by line");
            break;
        }
        firstBlock.insert(firstBlock.end(), lineNs.begin(), lineNs.begin() + Block);
        lastBlock.insert(lastBlock.end(), lineNs.end() - Block, lineNs.end());
        // Deferred redraw requests of a window go here, outside the measurement.
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    if (firstBlock.empty())
        return;
    const double first = median(firstBlock);
    const double last = median(lastBlock);
    state.counters["per_line"] = benchmark::Counter(double(state.iterations()) * ReportLines,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["first200_ns"] = first;
    state.counters["last200_ns"] = last;
    state.counters["last_to_first"] = last / first;
}

void BM_ReportIntoFakeDocument(benchmark::State &state)
{
    FakeDocumentHost documents;
    documents.newDocument();
    feedReport(state, documents);
}
BENCHMARK(BM_ReportIntoFakeDocument)->Unit(benchmark::kMillisecond);

// The real document window, not shown: its text control and chart model.
class WindowHost : public DocumentHost
{
public:
    AbstractDocument *activeDocument() override { return &m_window; }
    AbstractDocument *newDocument() override { return &m_window; }

private:
    frmDocument m_window;
};

void BM_ReportIntoDocumentWindow(benchmark::State &state)
{
    WindowHost documents;
    feedReport(state, documents);
}
BENCHMARK(BM_ReportIntoDocumentWindow)->Unit(benchmark::kMillisecond);

} // namespace
