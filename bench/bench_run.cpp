// Costs of the chart build, the derivative and the run's ticks, by document size.

#include "common/clock.h"
#include "documents/chartmodel.h"
#include "evaluation/derivative.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/eprecognition.h"
#include "link/commandsink.h"
#include "model/abstractdocument.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "titration/runcontrols.h"
#include "titration/runtimer.h"
#include "titration/titrationrun.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

QString listing(int preambleLines, int rows)
{
    QString text = QString(QStringLiteral("Bemerkung ohne Zahlen\r\n")).repeated(preambleLines);
    text += QStringLiteral("  V[ml]    pH     t[s]  \r\n");
    const auto sep = Numbers::Separators::comma();
    for (int i = 0; i < rows; ++i) {
        text += QStringLiteral("  ") + Numbers::format(i * 0.05, 3, sep) + QStringLiteral("   ")
            + Numbers::format(3 + i * 0.01, 2, sep) + QStringLiteral("   ")
            + Numbers::format(i * 2.0, 1, sep) + QStringLiteral("  \r\n");
    }
    return text;
}

void BM_ChartBuildFromText(benchmark::State &state)
{
    const QString text = listing(int(state.range(0)), 500);
    SettingsRecord settings;
    settings.separators = Numbers::Separators::comma();
    MeasurementStore store;
    ChartModel chart;
    for (auto _ : state) {
        buildChartFromText(text, store, settings, chart);
        benchmark::DoNotOptimize(store.AnzahlWerte);
    }
    state.SetBytesProcessed(state.iterations() * text.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_ChartBuildFromText)->Arg(0)->Arg(3000)->Arg(30000);

void BM_BerAbleit(benchmark::State &state)
{
    MeasurementStore store;
    ChartModel chart;
    for (int i = 0; i < 500; ++i) {
        store.Messwerte[i] = {i * 0.02, 3 + 8.0 / (1 + std::exp(5.0 - i * 0.02))};
        chart.setData(i + 1, ChartColumn::CurveX, store.Messwerte[i][0], false);
        chart.setData(i + 1, ChartColumn::CurveY, store.Messwerte[i][1], false);
    }
    store.AnzahlWerte = 500;
    store.DatenModus = MeasurementStore::DataMode;
    for (auto _ : state) {
        BerAbleit(store, &chart);
        benchmark::DoNotOptimize(store.Ableitung[0]);
    }
}
BENCHMARK(BM_BerAbleit);

// Every EP with its uncertainty on a full store: two noisy jumps over 500 readings of 0.05 mL,
// the finest steps, where the most and widest fit windows are tried.
void BM_RecogniseEquivalencePoints(benchmark::State &state)
{
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.005);
    CurveSeries series;
    for (int i = 0; i < 500; ++i) {
        const double v = 0.05 * i;
        series.push_back({v,
            4 + 0.43 * std::asinh((v - 10) / 0.1) + 0.43 * std::asinh((v - 20) / 0.2) + 0.05 * v
                + noise(random)});
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(EpRecognition::recognise(series));
}
BENCHMARK(BM_RecogniseEquivalencePoints)->Unit(benchmark::kMillisecond);

// One reading cycle of a run whose document already holds `range(0)` rows: the cost of a
// row must not grow with the document.
struct Sink : CommandSink
{
    bool sendCommand(const QString &, QString *) override { return true; }
};
struct Controls : RunControls
{
    int waitingTimeValue() override { return 1; }
    int incrementValue() override { return 1; }
    QString endValueText() override { return QStringLiteral("14"); }
    QString endVolumeText() override { return QStringLiteral("1000"); }
};
struct Timer : RunTimer
{
    int interval() const override { return 500; }
    void setInterval(int) override { }
    bool isEnabled() const override { return true; }
    void setEnabled(bool) override { }
};
struct Document : AbstractDocument
{
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }
    void appendText(const QString &text) override { m_text += text; }
    AbstractChart &chart() override { return m_chart; }
    QString m_text;
    ChartModel m_chart;
};
struct Host : DocumentHost
{
    AbstractDocument *activeDocument() override { return &doc; }
    AbstractDocument *newDocument() override { return &doc; }
    Document doc;
};

void BM_RunCycle(benchmark::State &state)
{
    MeasurementStore store;
    SettingsRecord settings;
    Host host;
    Sink sink;
    Controls controls;
    Timer timer;
    SystemClock clock;
    TitrationRun run(store, settings, host, sink, controls, timer, clock);
    run.toggle();
    host.doc.m_text
        += QString(QStringLiteral("  0,00    7,000  1,0  \n")).repeated(int(state.range(0)));
    for (auto _ : state) {
        // Keep the run below its row limit: every cycle restarts from row 0.
        state.PauseTiming();
        run.toggle();
        run.toggle();
        state.ResumeTiming();
        for (int tick = 0; tick < 8; ++tick) {
            if (store.Rueckmeldung == Rueckmeldung::D)
                store.Rueckmeldung = Rueckmeldung::Y;
            else if (store.Rueckmeldung == Rueckmeldung::M)
                store.Rueckmeldung = Rueckmeldung::pH;
            run.Ablauf();
        }
    }
}
BENCHMARK(BM_RunCycle)->Arg(0)->Arg(100000);

} // namespace

BENCHMARK_MAIN();
