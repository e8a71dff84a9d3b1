// Costs of the documents: reading and writing a 1 MB RTF file, reading and evaluating 5 MB of
// reports as a word processor saves them (as the window and --evaluate do), clearing and
// refilling the chart grid followed by its one redraw, and appending 5,000 lines to a document
// window (the last 500 against the first 500, which shows whether a long document slows
// appending). bench_open_document times opening a file in a window as a whole.

#include "largedocuments.h"

#include "documents/chartmodel.h"
#include "documents/chartplot.h"
#include "documents/chartview.h"
#include "documents/frmdocument.h"
#include "documents/rtfreader.h"
#include "documents/rtfwriter.h"
#include "evaluation/documentevaluator.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"

#include <QCoreApplication>
#include <QLineSeries>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

namespace {

// A measurement document of about `bytes` of RTF: report lines, a table, umlauts, a few
// formatted words.
RichText measurementDocument(qsizetype bytes)
{
    CharFormat bold;
    bold.bold = true;
    CharFormat red;
    red.color = 0xC00000;
    RichText doc;
    qsizetype size = 0;
    for (int row = 0; size < bytes; ++row) {
        RichParagraph p;
        if (row % 50 == 0) {
            p.append(QStringLiteral("Titration "), bold);
            p.append(QStringLiteral("Probe %1: Essigs\u00E4ure, 25 \u00B0C, 10 \u00B5L").arg(row),
                CharFormat());
        } else if (row % 50 == 1) {
            p.append(QStringLiteral("  V[ml]\tpH\tt[s]\t\u0394pH/\u0394V"), red);
        } else {
            p.append(QStringLiteral("  %1\t%2\t%3\t%4")
                         .arg(row * 0.05, 0, 'f', 3)
                         .arg(3 + std::sin(row * 0.01) * 4, 0, 'f', 2)
                         .arg(row * 2.0, 0, 'f', 1)
                         .arg(std::cos(row * 0.01), 0, 'f', 4),
                CharFormat());
        }
        size += p.text().size() + 8;
        doc.paragraphs.append(p);
    }
    return doc;
}

void BM_RtfWrite1MB(benchmark::State &state)
{
    const RichText doc = measurementDocument(1 << 20);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray rtf = writeRtf(doc);
        bytes = rtf.size();
        benchmark::DoNotOptimize(rtf.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["rtf_bytes"] = double(bytes);
}
BENCHMARK(BM_RtfWrite1MB)->Unit(benchmark::kMillisecond);

// Reading `rtf` into formatted paragraphs, as the window opens a file.
void readRtfRepeatedly(benchmark::State &state, const QByteArray &rtf)
{
    for (auto _ : state) {
        const RtfReadResult result = readRtf(rtf);
        if (!result.ok())
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(result.text.paragraphs.size());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
    state.counters["rtf_bytes"] = double(rtf.size());
}

void BM_RtfRead1MB(benchmark::State &state)
{
    readRtfRepeatedly(state, writeRtf(measurementDocument(1 << 20)));
}
BENCHMARK(BM_RtfRead1MB)->Unit(benchmark::kMillisecond);

// About 5 MB of reports as a word processor saves them (control words outweigh the text).
void BM_RtfReadReports5MB(benchmark::State &state)
{
    readRtfRepeatedly(state, LargeDocuments::wordStyleReports());
}
BENCHMARK(BM_RtfReadReports5MB)->Unit(benchmark::kMillisecond);

// The same file to plain text and through the chart build, as --evaluate does.
void BM_EvaluateReports5MB(benchmark::State &state)
{
    const QByteArray rtf = LargeDocuments::wordStyleReports();
    SettingsRecord settings;
    int rows = 0;
    for (auto _ : state) {
        const QString text = readRtfText(rtf).text;
        MeasurementStore store;
        ChartModel chart;
        buildChartFromText(text, store, settings, chart);
        rows = store.AnzahlWerte;
    }
    if (rows != 100)
        state.SkipWithError("rows lost");
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(BM_EvaluateReports5MB)->Unit(benchmark::kMillisecond);

// The chart build alone over the text of that file (26,000 lines, 25,000 rows).
void BM_ChartBuildReports(benchmark::State &state)
{
    const QString text = readRtf(LargeDocuments::wordStyleReports()).text.plainText();
    SettingsRecord settings;
    for (auto _ : state) {
        MeasurementStore store;
        ChartModel chart;
        buildChartFromText(text, store, settings, chart);
        benchmark::DoNotOptimize(store.AnzahlWerte);
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_ChartBuildReports)->Unit(benchmark::kMillisecond);

// The text of a 1 MB file into the editor and back out, as Open and Save do.
void BM_RichTextThroughWindow1MB(benchmark::State &state)
{
    const RichText doc = measurementDocument(1 << 20);
    frmDocument window;
    for (auto _ : state) {
        window.setRichText(doc);
        const RichText back = window.richText();
        if (back.paragraphs.size() != doc.paragraphs.size())
            state.SkipWithError("paragraphs lost");
    }
    state.counters["paragraphs"] = double(doc.paragraphs.size());
}
BENCHMARK(BM_RichTextThroughWindow1MB)->Unit(benchmark::kMillisecond);

// Clearing the curve's 500 rows and writing 500 points, as a report's data section does, then
// the event-loop turn that redraws and a repaint of the view.
void BM_ChartClearFillRedraw(benchmark::State &state)
{
    ChartModel model;
    ChartView view(&model);
    view.resize(800, 500);
    view.show();
    QCoreApplication::processEvents();
    const int redrawsBefore = view.redrawCount();
    int round = 0;
    for (auto _ : state) {
        for (int row = 1; row <= ChartModel::RowCount; ++row) {
            model.setData(row, ChartColumn::CurveX, 0, true);
            model.setData(row, ChartColumn::CurveY, 0, true);
        }
        model.setUniformAxis(false);
        const double shift = (round++ % 2) * 0.5;
        for (int row = 1; row <= ChartModel::RowCount; ++row) {
            model.setData(row, ChartColumn::CurveX, row * 0.05, false);
            model.setData(
                row, ChartColumn::CurveY, 7 + shift + 5 * std::tanh((row - 250) * 0.03), false);
        }
        QCoreApplication::processEvents();
        view.viewport()->repaint();
    }
    if (view.plot()->curveSeries()->count() != ChartModel::RowCount)
        state.SkipWithError("curve not drawn");
    state.counters["redraws_per_iteration"]
        = double(view.redrawCount() - redrawsBefore) / double(state.iterations());
}
BENCHMARK(BM_ChartClearFillRedraw)->Unit(benchmark::kMillisecond);

// 5,000 report lines appended one by one, each followed by an event-loop turn as when lines
// arrive over the serial line.
void BM_AppendLines(benchmark::State &state)
{
    using Clock = std::chrono::steady_clock;
    constexpr int Lines = 5000;
    constexpr int Block = 500;
    double first = 0;
    double last = 0;
    for (auto _ : state) {
        frmDocument doc;
        doc.resize(900, 600);
        doc.show();
        QCoreApplication::processEvents();
        Clock::time_point blockStart = Clock::now();
        for (int i = 0; i < Lines; ++i) {
            doc.appendText(QStringLiteral("  %1\t%2\t%3\r\n")
                               .arg(i * 0.05, 0, 'f', 3)
                               .arg(7 + 5 * std::tanh((i % 500 - 250) * 0.03), 0, 'f', 2)
                               .arg(i * 2.0, 0, 'f', 1));
            QCoreApplication::processEvents();
            if (i == Block - 1)
                first
                    += std::chrono::duration<double, std::milli>(Clock::now() - blockStart).count();
            if (i == Lines - Block - 1)
                blockStart = Clock::now();
        }
        last += std::chrono::duration<double, std::milli>(Clock::now() - blockStart).count();
    }
    const double n = double(state.iterations());
    state.counters["first500_ms"] = first / n;
    state.counters["last500_ms"] = last / n;
    state.counters["last_over_first"] = last / first;
}
BENCHMARK(BM_AppendLines)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
