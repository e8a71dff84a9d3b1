#include "titrationrun.h"

#include "common/clock.h"
#include "common/numbers.h"
#include "evaluation/charttitles.h"
#include "evaluation/rowscanner.h"
#include "link/commandsink.h"
#include "model/abstractchart.h"
#include "model/abstractdocument.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "titration/dosinglimits.h"
#include "titration/runcontrols.h"
#include "titration/runtable.h"
#include "titration/runtimer.h"

#include <limits>

namespace {

constexpr double SecondsPerDay = 86400;

} // namespace

TitrationRun::TitrationRun(MeasurementStore &store, SettingsRecord &settings,
    DocumentHost &documents, CommandSink &commands, RunControls &controls, RunTimer &timer,
    const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_documents(documents)
    , m_commands(commands)
    , m_controls(controls)
    , m_timer(timer)
    , m_clock(clock)
{
    // Known by name, so that queued connections can carry them.
    qRegisterMetaType<Journal::Reading>("Journal::Reading");
    qRegisterMetaType<Journal::EndReason>("Journal::EndReason");
}

void TitrationRun::toggle()
{
    if (m_running)
        stop(Journal::EndReason::Stopped);
    else
        start();
}

void TitrationRun::start()
{
    AbstractDocument *doc = m_documents.newDocument();
    if (!doc) {
        Q_EMIT failed(Failure::NoDocument, tr("No document window could be opened."));
        return;
    }
    m_running = true;
    Q_EMIT runningChanged(true);

    m_state.TaktZaehler = 0;
    m_dosed = false;
    m_restarts = 0;
    m_method = m_methodSource ? m_methodSource().clamped() : MethodSettings();
    const bool millivolts = m_settings.Bereich != 0;
    const bool drift = m_method.readingMode == MethodSettings::Reading::Drift;
    const bool dynamic = m_method.dosingMode == MethodSettings::Dosing::Dynamic;
    m_route.measure = drift ? DriftBegin : 3;
    m_route.dose = dynamic ? DynamicDose : 7;
    // Dynamic doses are whole microlitres: their sums need the third decimal.
    m_volumeDecimals = dynamic ? 3 : 2;
    m_rule = DosingRule::fromSettings(m_method, millivolts);
    m_monitor = DriftMonitor::fromSettings(m_method, millivolts);
    // With drift-controlled readings the wait lies after the dose (MinWait), not after the
    // reading.
    const int wait = drift ? 0 : m_controls.waitingTimeValue();
    m_state.WarteTakte = qint16(qBound(0, wait, int(std::numeric_limits<qint16>::max())));
    // Until the first reading the run has written no rows; a stop before it must not hand
    // on a row count left from an earlier run.
    m_store.MessIndex = 0;

    writeTableHead(*doc);
    RowScanner::resetSeries(m_store, &doc->chart(), AbstractChart::ColumnCount);
    setChartTitles(*doc);
    doc->chart().setUniformAxis(false);

    m_store.DatenModus = MeasurementStore::TextMode;
    m_state.Schritt = 1;
    m_timer.setEnabled(true);
}

void TitrationRun::stop(Journal::EndReason reason)
{
    m_running = false;
    m_store.AnzahlWerte = m_store.MessIndex;
    m_store.DatenModus = MeasurementStore::DataMode;
    m_timer.setEnabled(false);
    m_state.Schritt = 0;
    Q_EMIT runningChanged(false);
    Q_EMIT ended(reason);
}

void TitrationRun::fail(Failure failure, const QString &reason)
{
    switch (failure) {
    case Failure::CommandNotWritten:
        stop(Journal::EndReason::PortError);
        break;
    case Failure::NoDocument:
        stop(Journal::EndReason::DocumentClosed);
        break;
    case Failure::NoReply:
        stop(Journal::EndReason::NoReply);
        break;
    }
    Q_EMIT failed(failure, reason);
}

bool TitrationRun::send(const QString &command, Rueckmeldung awaited)
{
    // Awaited before the write: the reply may be taken in as soon as the command is out.
    m_state.Zeitlimit = ReplyLimit;
    m_store.Rueckmeldung = awaited;
    QString reason;
    if (m_commands.sendCommand(command, &reason))
        return true;
    m_store.Rueckmeldung = Rueckmeldung::None;
    fail(Failure::CommandNotWritten, reason);
    return false;
}

AbstractDocument *TitrationRun::documentOrFail()
{
    AbstractDocument *doc = m_documents.activeDocument();
    if (!doc)
        fail(Failure::NoDocument, tr("The document of the run has been closed."));
    return doc;
}

void TitrationRun::Ablauf()
{
    if (!m_running)
        return;
    switch (m_state.Schritt) {
    case 1:
        stepRange();
        break;
    case 2:
        stepWaitRange();
        break;
    case 3:
        stepMeasure();
        break;
    case 4:
        stepWaitValue();
        break;
    case 5:
        stepEndCheck();
        break;
    case 6:
        stepWait();
        break;
    case 7:
        stepDose();
        break;
    case 8:
        stepWaitDose();
        break;
    case DriftBegin:
        stepDriftBegin();
        break;
    case DriftMeasure:
        stepDriftMeasure();
        break;
    case DriftWaitValue:
        stepDriftWaitValue();
        break;
    case DynamicDose:
        stepDynamicDose();
        break;
    default:
        break;
    }
}

// Every tick of a waiting step counts, also the one on which the reply was taken.
void TitrationRun::countReplyTick()
{
    --m_state.Zeitlimit;
    if (m_state.Zeitlimit >= 1)
        return;
    // Starting over would count the volume from 0 again although the titrator has dosed;
    // before any dose it is harmless, but a titrator that never answers must not keep the
    // run going for ever.
    if (m_dosed || m_restarts >= MaxRestarts) {
        fail(Failure::NoReply,
            tr("The titrator did not answer in time. The titration run "
               "has been stopped; the rows measured so far are kept."));
        return;
    }
    ++m_restarts;
    m_state.Schritt = 1;
}

void TitrationRun::stepRange()
{
    AbstractDocument *doc = documentOrFail();
    if (!doc)
        return;
    if (!send(
            m_settings.Bereich == 0 ? QStringLiteral("FP") : QStringLiteral("FV"), Rueckmeldung::D))
        return;
    m_state.Volumen = 0;
    m_dynamicVolume.reset();
    m_lastDose = 0;
    m_state.Schritt = 2;
    m_store.MessIndex = 0;
    m_state.StartZeit = m_clock.secondsSinceMidnight();
    doc->chart().setData(1, ChartColumn::CurveX, m_store.Messwerte[0][0], false);
}

void TitrationRun::stepWaitRange()
{
    if (m_store.Rueckmeldung == Rueckmeldung::Y) {
        m_store.Rueckmeldung = Rueckmeldung::None;
        m_state.Schritt = m_route.measure;
    }
    countReplyTick();
}

void TitrationRun::stepMeasure()
{
    if (!send(QStringLiteral("M"), Rueckmeldung::M))
        return;
    m_state.Schritt = 4;
}

void TitrationRun::stepWaitValue()
{
    if (m_store.Rueckmeldung == Rueckmeldung::pH) {
        int row = 0;
        AbstractDocument *doc = takeReply(row);
        if (!doc)
            return;
        takeReading(*doc, row, false);
        m_state.Schritt = 5;
    }
    countReplyTick();
}

void TitrationRun::stepEndCheck()
{
    if (const auto reason = endReached()) {
        m_state.Schritt = 0;
        m_timer.setEnabled(false);
        stop(*reason);
        return;
    }
    m_timer.setInterval(WaitInterval);
    m_timer.setEnabled(true);
    m_state.TaktZaehler = 0;
    m_state.Schritt = 6;
}

void TitrationRun::stepWait()
{
    ++m_state.TaktZaehler;
    if (m_state.TaktZaehler >= m_state.WarteTakte) {
        m_state.TaktZaehler = 0;
        m_timer.setInterval(NormalInterval);
        m_state.Schritt = m_route.dose;
    }
}

void TitrationRun::stepDose()
{
    const double increment = m_controls.incrementValue() * 0.01;
    // The titrator reads "." whatever the user's separator.
    const QString amount = Numbers::toText(increment, Numbers::Separators::dot());
    m_dosed = true; // from here on the titrator may have dosed
    if (!send(QStringLiteral("DA") + amount, Rueckmeldung::D))
        return;
    m_state.Schritt = 8;
    m_state.Volumen = m_state.Volumen + increment;
}

AbstractDocument *TitrationRun::takeReply(int &row)
{
    AbstractDocument *doc = documentOrFail();
    if (!doc)
        return nullptr;
    m_store.Rueckmeldung = Rueckmeldung::None;
    row = m_store.MessIndex;
    if (row < 0 || row >= MaxRows) {
        // Cannot happen while the end check holds; never write past the grid.
        stop(Journal::EndReason::TableFull);
        return nullptr;
    }
    return doc;
}

void TitrationRun::stepWaitDose()
{
    if (m_store.Rueckmeldung == Rueckmeldung::Y) {
        int row = 0;
        AbstractDocument *doc = takeReply(row);
        if (!doc)
            return;
        m_store.Messwerte[row][0] = m_state.Volumen;
        doc->chart().setData(row + 1, ChartColumn::CurveX, m_store.Messwerte[row][0], false);
        m_timer.setInterval(NormalInterval);
        m_state.Schritt = m_route.measure;
    }
    countReplyTick();
}

std::optional<Journal::EndReason> TitrationRun::endReached()
{
    // The dialog's fields are read anew at every check; text that is no value a run can use
    // keeps the value in force.
    const Numbers::Separators sep = m_settings.separators;
    if (const auto value = DosingLimits::endValue(m_controls.endValueText(), sep))
        m_settings.EndWert = *value;
    if (const auto volume = DosingLimits::endVolume(m_controls.endVolumeText(), sep))
        m_settings.EndVol = *volume;

    const int rows = m_store.MessIndex;
    if (rows >= MaxRows)
        return Journal::EndReason::TableFull;
    if (m_state.Volumen >= m_settings.EndVol)
        return Journal::EndReason::EndVolume;
    if (rows < 1)
        return std::nullopt;
    const double first = m_store.Messwerte[0][1];
    const double last = m_store.Messwerte[rows - 1][1];
    // The end value has to be passed in the direction the curve runs; reaching it is not enough.
    const bool passed
        = m_settings.EndWert < first ? last < m_settings.EndWert : last > m_settings.EndWert;
    if (passed)
        return Journal::EndReason::EndValue;
    return std::nullopt;
}

double TitrationRun::elapsedSinceStart() const
{
    double elapsed = m_clock.secondsSinceMidnight() - m_state.StartZeit;
    // The clock starts again from 0 at midnight.
    if (elapsed < 0)
        elapsed += SecondsPerDay;
    return elapsed;
}

void TitrationRun::writeTableHead(AbstractDocument &doc)
{
    // A run of another method says which in its head, so that its table can be read later.
    doc.setText(RunTable::title(m_method.dosingMode == MethodSettings::Dosing::Dynamic,
        m_method.readingMode == MethodSettings::Reading::Drift));
    doc.appendText(RunTable::columnHead(m_settings.Bereich != 0));
}

void TitrationRun::takeReading(AbstractDocument &doc, int row, bool forced)
{
    doc.chart().setData(row + 1, ChartColumn::CurveY, m_store.Messwerte[row][1], false);
    const double elapsed = elapsedSinceStart();
    writeTableRow(doc, elapsed, forced);
    m_store.MessIndex = qint16(row + 1);
    Q_EMIT readingTaken(
        {row, m_store.Messwerte[row][0], m_store.Messwerte[row][1], elapsed, forced});
}

void TitrationRun::writeTableRow(AbstractDocument &doc, double elapsed, bool forced)
{
    const int row = m_store.MessIndex;
    doc.appendText(RunTable::row(m_store.Messwerte[row][0], m_volumeDecimals,
        m_store.Messwerte[row][1], elapsed, forced, m_settings.separators));
}

void TitrationRun::setChartTitles(AbstractDocument &doc)
{
    ChartTitles::setCurve(doc.chart(), m_settings.isGerman(), u"mL");
    ChartTitles::setUnit(doc.chart(), m_settings.isGerman(), m_settings.Bereich != 0);
}
