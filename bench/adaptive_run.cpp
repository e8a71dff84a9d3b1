// adaptive-run: the fixed-increment titration run against dynamic dosing with drift-controlled
// readings, on a simulated clock with the simulator's chemistry and a lagging electrode.
//
// Both runs are the program's own TitrationRun, ticked at its timer's interval on a simulated
// clock. Its commands go to a titrator played here (the simulator's chemistry, electrode noise
// and lag), whose reply lines ("Y", "  7.02 pH") reach the run through the real report
// evaluation, as on the line. The equivalence point is found from the rows of the run's own
// table, read back from the document, and compared with the sample's stoichiometric volume.
//
//   adaptive-run [--runs N] [--seed S] [--lag S] [--noise PH] [--wait S] [--increment ML]
//                [--end-volume ML] [--equivalence ML] [--spread ML] [--raw] [--table]
//                [--verbose] [--picture FILE.png]
//
// --picture draws the first dynamic run's curve as the program's chart shows it (offscreen).
//
// Not part of the test suite.

#include "chemistry.h"

#include "documents/chartview.h"
#include "evaluation/curveseries.h"
#include "evaluation/eprecognition.h"
#include "evaluation/equivalencepointfinder.h"
#include "evaluation/reportevaluator.h"
#include "evaluation/rowscanner.h"
#include "link/commandsink.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"
#include "support/fakeruncontrols.h"
#include "support/faketime.h"
#include "titration/dosingrule.h"
#include "titration/methodsettings.h"
#include "titration/titrationrun.h"

#include <QApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double LineDelay = 0.05; // s from a command to the instrument's reply
constexpr double StartTime = 36000; // s since midnight

struct Options
{
    int runs = 50;
    unsigned seed = 1000;
    double lag = 1.5;
    double noise = 0.002;
    double wait = 2.0;
    double increment = 0.1;
    double endVolume = 15.0;
    double equivalence = 10.0;
    double spread = 0.5; // equivalence volumes drawn from equivalence +- spread
    bool raw = false; // readings as the electrode gives them, not rounded to 0.01 pH
    bool verbose = false;
    bool table = false; // print the first run's tables
    std::string picture; // PNG of the first dynamic run's chart
};

// The beaker and the electrode on the simulated clock.
class Beaker
{
public:
    Beaker(const AcidSample &sample, const Options &o, unsigned seed)
        : m_sample(sample)
        , m_electrode(o.noise, seed)
        , m_lag(o.lag)
        , m_raw(o.raw)
    {
        m_lag.reset(m_sample.pH(0));
    }

    void dose(double at, double ml)
    {
        follow(at);
        m_volume += ml;
    }
    double read(double at)
    {
        follow(at);
        const double shown = m_lag.active() ? m_lag.indicatedPh() : m_sample.pH(m_volume);
        return m_electrode.readPh(shown);
    }
    bool raw() const { return m_raw; }

private:
    void follow(double at)
    {
        if (at > m_time) {
            const double d = 1e-4;
            const double steep
                = (m_sample.pH(m_volume + d) - m_sample.pH(std::max(0.0, m_volume - d)))
                / (m_volume > d ? 2 * d : d);
            m_lag.advance(at - m_time, m_sample.pH(m_volume), steep);
        }
        m_time = std::max(m_time, at);
    }

    AcidSample m_sample;
    Electrode m_electrode;
    ElectrodeLag m_lag;
    bool m_raw;
    double m_time = 0;
    double m_volume = 0;
};

// The titrator: answers each command after the line delay with the line it would print.
struct SimTitrator : CommandSink
{
    SimTitrator(Beaker &beaker, const FakeClock &clock)
        : m_beaker(beaker)
        , m_clock(clock)
    { }

    bool sendCommand(const QString &command, QString *) override
    {
        const double at = m_clock.seconds - StartTime + LineDelay;
        if (command.startsWith(u"DA")) {
            m_beaker.dose(at, command.mid(2).toDouble());
            ++doses;
            replies.push_back({at, QStringLiteral("Y\r\n")});
        } else if (command == u"M") {
            const double value = m_beaker.read(at);
            // The instrument replies "%6.2f pH"; raw: all the electrode gives.
            const int decimals = m_beaker.raw() ? 6 : 2;
            replies.push_back({at, QStringLiteral("%1 pH\r\n").arg(value, 6, 'f', decimals)});
        } else {
            replies.push_back({at, QStringLiteral("Y\r\n")});
        }
        return true;
    }

    struct Reply
    {
        double at;
        QString line;
    };
    std::deque<Reply> replies;
    int doses = 0;

private:
    Beaker &m_beaker;
    const FakeClock &m_clock;
};

struct RunResult
{
    CurveSeries rows; // read back from the run's table
    std::vector<bool> forced;
    QString text; // the run's document
    double seconds = 0; // from the start to the stop
    int doses = 0;
};

// One run of the program's step machine with `method`, to its own end.
// The chart's cells and titles, copied.
void copyChart(const ChartModel &from, ChartModel &to)
{
    to.setTitleText(from.titleText());
    to.setAxisTitle(AbstractChart::XAxis, from.axisTitle(AbstractChart::XAxis));
    to.setAxisTitle(AbstractChart::YAxis, from.axisTitle(AbstractChart::YAxis));
    for (int row = 1; row <= AbstractChart::RowCount; ++row) {
        for (int column = 1; column <= AbstractChart::ColumnCount; ++column) {
            const ChartModel::Cell &cell = from.cell(row, column);
            to.setData(row, column, cell.value, cell.isNull);
        }
    }
}

RunResult runWith(
    const MethodSettings &method, Beaker &beaker, const Options &o, ChartModel *chart = nullptr)
{
    MeasurementStore store;
    SettingsRecord settings;
    settings.separators = Numbers::Separators::dot();
    FakeDocumentHost documents;
    FakeRunControls controls;
    controls.waiting = int(std::lround(o.wait * 10));
    controls.increment = int(std::lround(o.increment * 100));
    controls.endValue = QStringLiteral("14");
    controls.endVolume = QString::number(o.endVolume);
    FakeTimer timer;
    FakeClock clock;
    clock.seconds = StartTime;
    SimTitrator titrator(beaker, clock);
    ReportEvaluator evaluator(store, settings, documents);
    TitrationRun run(store, settings, documents, titrator, controls, timer, clock);
    run.setMethodSource([method] { return method; });

    run.toggle();
    for (int tick = 0; tick < 200000 && run.isRunning(); ++tick) {
        clock.seconds += timer.ms / 1000.0;
        while (
            !titrator.replies.empty() && titrator.replies.front().at <= clock.seconds - StartTime) {
            evaluator.RsAuswertung(titrator.replies.front().line);
            titrator.replies.pop_front();
        }
        run.Ablauf();
    }

    RunResult r;
    r.seconds = clock.seconds - StartTime;
    r.doses = titrator.doses;
    r.text = documents.active()->text();
    if (chart)
        copyChart(documents.active()->chartModel(), *chart);
    // The table as a reader of the document finds it: every line that scans as a row.
    MeasurementStore table;
    for (const QString &line : r.text.split(QStringLiteral("\r\n"))) {
        const int before = table.AnzahlWerte;
        RowScanner::scan(
            line + u' ', RowScanner::Variant::Document, Numbers::Separators::dot(), table, nullptr);
        if (table.AnzahlWerte > before) {
            r.rows.push_back({table.Messwerte[before][0], table.Messwerte[before][1]});
            r.forced.push_back(line.endsWith(u'*'));
        }
    }
    return r;
}

struct Tally
{
    std::vector<double> recognised; // errors in mL; runs without a point are counted apart
    std::vector<double> steepest;
    int recognisedMissing = 0;
    int steepestMissing = 0;
    int extraPoints = 0;
    int forcedRows = 0;
    double seconds = 0;
    double doses = 0;
    int runs = 0;

    void add(const RunResult &r, double truth)
    {
        ++runs;
        seconds += r.seconds;
        doses += r.doses;
        forcedRows += int(std::count(r.forced.begin(), r.forced.end(), true));
        const EpAnalysis analysis = EpRecognition::recognise(r.rows);
        if (analysis.points.empty()) {
            ++recognisedMissing;
        } else {
            const auto best = std::max_element(analysis.points.begin(), analysis.points.end(),
                [](const RecognisedEp &a, const RecognisedEp &b) {
                    return a.significance < b.significance;
                });
            recognised.push_back(best->volume - truth);
            extraPoints += int(analysis.points.size()) - 1;
        }
        std::vector<double> volumes;
        std::vector<double> values;
        for (const CurvePoint &p : r.rows) {
            volumes.push_back(p.volume);
            values.push_back(p.value);
        }
        const auto ep
            = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
        if (ep)
            steepest.push_back(ep->volume - truth);
        else
            ++steepestMissing;
    }
};

struct Stats
{
    double mean = 0; // signed
    double meanAbs = 0;
    double rms = 0;
};

Stats stats(const std::vector<double> &errors)
{
    Stats s;
    if (errors.empty())
        return {std::nan(""), std::nan(""), std::nan("")};
    for (double e : errors) {
        s.mean += e;
        s.meanAbs += std::abs(e);
        s.rms += e * e;
    }
    const double n = double(errors.size());
    s.mean /= n;
    s.meanAbs /= n;
    s.rms = std::sqrt(s.rms / n);
    return s;
}

void printRow(const char *name, const char *finder, const std::vector<double> &errors, int missing,
    const Tally &t)
{
    const Stats s = stats(errors);
    std::printf("%-16s %-12s %9.1f %9.1f %9.1f %8d %9.0f %7.1f\n", name, finder, 1000 * s.mean,
        1000 * s.meanAbs, 1000 * s.rms, missing, t.seconds / t.runs, t.doses / t.runs);
}

// The chart as the document window shows it, offscreen.
bool savePicture(ChartModel &chart, const std::string &file, int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ChartView view(&chart);
    view.resize(900, 560);
    view.redrawNow();
    const QImage image = view.pictureImage(QSize(900, 560));
    if (!image.save(QString::fromStdString(file))) {
        std::fprintf(stderr, "adaptive-run: cannot write %s\n", file.c_str());
        return false;
    }
    return true;
}

void usage()
{
    std::fputs("usage: adaptive-run [--runs N] [--seed S] [--lag S] [--noise PH] [--wait S]\n"
               "                    [--increment ML] [--end-volume ML] [--equivalence ML]\n"
               "                    [--spread ML] [--raw] [--table] [--verbose]\n"
               "                    [--picture FILE.png]\n",
        stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto number = [&](double &field) {
            if (!value)
                return false;
            field = std::atof(value);
            ++i;
            return true;
        };
        double n = 0;
        bool ok = true;
        if (arg == "--runs") {
            ok = number(n) && n >= 1;
            o.runs = int(n);
        } else if (arg == "--seed") {
            ok = number(n);
            o.seed = unsigned(n);
        } else if (arg == "--lag") {
            ok = number(o.lag) && o.lag >= 0;
        } else if (arg == "--noise") {
            ok = number(o.noise) && o.noise >= 0;
        } else if (arg == "--wait") {
            ok = number(o.wait) && o.wait >= 0;
        } else if (arg == "--increment") {
            ok = number(o.increment) && o.increment >= 0.001;
        } else if (arg == "--end-volume") {
            ok = number(o.endVolume) && o.endVolume > 0;
        } else if (arg == "--equivalence") {
            ok = number(o.equivalence) && o.equivalence > 0;
        } else if (arg == "--spread") {
            ok = number(o.spread) && o.spread >= 0;
        } else if (arg == "--picture") {
            ok = value != nullptr;
            if (ok)
                o.picture = argv[++i];
        } else if (arg == "--raw") {
            o.raw = true;
        } else if (arg == "--table") {
            o.table = true;
        } else if (arg == "--verbose") {
            o.verbose = true;
        } else {
            ok = false;
        }
        if (!ok) {
            usage();
            return 1;
        }
    }

    MethodSettings dynamicDrift; // the default method settings
    dynamicDrift.dosingMode = MethodSettings::Dosing::Dynamic;
    dynamicDrift.readingMode = MethodSettings::Reading::Drift;
    Tally fixed;
    Tally dynamic;
    std::mt19937 draw(o.seed);
    for (int k = 0; k < o.runs; ++k) {
        const double equivalence
            = o.equivalence + std::uniform_real_distribution<double>(-o.spread, o.spread)(draw);
        const AcidSample sample = AcidSample::forEquivalence(true, equivalence);
        const unsigned noiseSeed = o.seed * 7919u + unsigned(k);
        Beaker a(sample, o, noiseSeed);
        const RunResult f = runWith(MethodSettings(), a, o);
        Beaker b(sample, o, noiseSeed);
        ChartModel chart;
        const RunResult d = runWith(dynamicDrift, b, o, &chart);
        if (k == 0 && !o.picture.empty() && !savePicture(chart, o.picture, argc, argv))
            return 1;
        fixed.add(f, sample.equivalenceVolume());
        dynamic.add(d, sample.equivalenceVolume());
        if (o.table && k == 0) {
            // The runs' documents: reply lines and table rows as the program writes them.
            std::printf("--- fixed run, EP %.4f mL\n%s\n", sample.equivalenceVolume(),
                qPrintable(QString(f.text).remove(u'\r')));
            std::printf("--- dynamic + drift run\n%s\n", qPrintable(QString(d.text).remove(u'\r')));
        }
        if (o.verbose) {
            std::printf(
                "run %2d  EP %.4f mL  fixed %+.4f  dynamic %+.4f  (%d/%d doses, %.0f/%.0f s)\n", k,
                sample.equivalenceVolume(),
                fixed.recognised.empty() ? NAN : fixed.recognised.back(),
                dynamic.recognised.empty() ? NAN : dynamic.recognised.back(), f.doses, d.doses,
                f.seconds, d.seconds);
        }
    }

    std::printf(
        "acetic acid, EP %.2f +- %.2f mL, end %.2f mL; electrode lag %.1f s, noise %.3f pH%s;"
        " %d runs from seed %u\n",
        o.equivalence, o.spread, o.endVolume, o.lag, o.noise, o.raw ? "" : ", readings to 0.01 pH",
        o.runs, o.seed);
    std::printf(
        "fixed: %.3f mL every %.1f s of waiting; dynamic + drift: the default method settings\n\n",
        o.increment, o.wait);
    std::printf("%-16s %-12s %9s %9s %9s %8s %9s %7s\n", "run", "EP finder", "mean[uL]",
        "|err|[uL]", "RMS[uL]", "missing", "time[s]", "doses");
    printRow("fixed", "recognition", fixed.recognised, fixed.recognisedMissing, fixed);
    printRow("fixed", "steepest", fixed.steepest, fixed.steepestMissing, fixed);
    printRow(
        "dynamic+drift", "recognition", dynamic.recognised, dynamic.recognisedMissing, dynamic);
    printRow("dynamic+drift", "steepest", dynamic.steepest, dynamic.steepestMissing, dynamic);
    std::printf(
        "\nextra points recognised: fixed %d, dynamic %d; forced rows in dynamic runs: %d\n",
        fixed.extraPoints, dynamic.extraPoints, dynamic.forcedRows);
    return 0;
}
