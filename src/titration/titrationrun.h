#pragma once

#include "model/journalrecords.h"
#include "model/rueckmeldung.h"
#include "titration/dosingrule.h"
#include "titration/driftmonitor.h"
#include "titration/methodsettings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Clock;
class CommandSink;
class DocumentHost;
class AbstractDocument;
class RunControls;
class RunTimer;
struct MeasurementStore;
struct SettingsRecord;

// The incremental titration run: a step machine driven by the timer, one step per tick.
// It asks the titrator for the range, a reading, writes a table row and a chart point,
// checks the end, waits, doses the increment and asks again. Replies reach it only through
// the store's handshake field, which the report evaluation changes.
class TitrationRun : public QObject
{
    Q_OBJECT
public:
    // Why a run stopped by itself without reaching an end condition.
    enum class Failure {
        CommandNotWritten, // the port refused a command (closed or gone)
        NoDocument, // no document window left to write the reading into
        NoReply, // the titrator did not answer within the reply limit
    };
    Q_ENUM(Failure)

    // Ticks of a waiting step before the run starts over (before its first dose) or stops.
    static constexpr qint16 ReplyLimit = 20;
    // Times a run starts over before its first dose; the next time-out stops it.
    static constexpr int MaxRestarts = 3;
    static constexpr int WaitInterval = 100; // ms, while waiting after a reading
    static constexpr int NormalInterval = 500; // ms, everywhere else
    // Rows a run writes at most: the table ends after the 499th reading.
    static constexpr int MaxRows = 499;

    TitrationRun(MeasurementStore &store, SettingsRecord &settings, DocumentHost &documents,
        CommandSink &commands, RunControls &controls, RunTimer &timer, const Clock &clock,
        QObject *parent = nullptr);

    // Steps of the dynamic dose and the drift-controlled reading, beside the eight of the
    // fixed run; a run with both modes fixed never enters them.
    static constexpr qint16 DriftBegin = 9; // readings before now no longer count, then "M"
    static constexpr qint16 DriftMeasure = 10; // "M" again
    static constexpr qint16 DriftWaitValue = 11; // the value; taken, or asked for once more
    static constexpr qint16 DynamicDose = 12; // "DA" sized from the last step's slope

    // Where the run takes its method from at every start; without it both modes are fixed.
    void setMethodSource(std::function<MethodSettings()> source)
    {
        m_methodSource = std::move(source);
    }
    // The method of the current (or last) run, clamped.
    const MethodSettings &method() const { return m_method; }

    // Start/stop button: starts a run when none is active, stops it otherwise.
    void toggle();
    // One step of the run; a tick while no run is active does nothing.
    void Ablauf();

    // True from the start until the stop: the button then reads "Titr. Stop".
    bool isRunning() const { return m_running; }

    // The run's fields; only the run writes them.
    struct State
    {
        qint16 Schritt = 0; // 0 idle, 1..8 the step the next tick runs
        qint16 Zeitlimit = 0; // ticks left for the awaited reply
        qint16 TaktZaehler = 0; // ticks counted in the waiting step
        qint16 WarteTakte = 0; // ticks to wait after a reading
        double StartZeit = 0; // clock at the start, seconds since midnight
        double Volumen = 0; // volume dosed so far, mL
    };
    const State &state() const { return m_state; }

Q_SIGNALS:
    void runningChanged(bool running);
    // The run stopped itself; the rows already written stay.
    void failed(TitrationRun::Failure failure, const QString &reason);
    // A reading has become the table's row `reading.index`: after the row is in the document
    // and counted in the store.
    void readingTaken(const Journal::Reading &reading);
    // A started run has stopped, once, after runningChanged(false) and before failed().
    void ended(Journal::EndReason reason);

private:
    void start();
    void stop(Journal::EndReason reason);
    void fail(Failure failure, const QString &reason);
    // Starts the reply limit and awaits `awaited` in the handshake field, then writes.
    bool send(const QString &command, Rueckmeldung awaited);
    AbstractDocument *documentOrFail();
    // Takes the awaited reply: the document and row it goes to, or nullptr once the run stopped.
    AbstractDocument *takeReply(int &row);
    void countReplyTick();
    // Why the run ends at this check, if it does.
    std::optional<Journal::EndReason> endReached();
    void writeTableHead(AbstractDocument &doc);
    // The value in store row `row` becomes its point, its table row and a reading.
    void takeReading(AbstractDocument &doc, int row, bool forced);
    void writeTableRow(AbstractDocument &doc, double elapsed, bool forced);
    void setChartTitles(AbstractDocument &doc);
    double elapsedSinceStart() const;

    void stepRange();
    void stepWaitRange();
    void stepMeasure();
    void stepWaitValue();
    void stepEndCheck();
    void stepWait();
    void stepDose();
    void stepWaitDose();
    void stepDriftBegin();
    void stepDriftMeasure();
    void stepDriftWaitValue();
    void stepDynamicDose();

    MeasurementStore &m_store;
    SettingsRecord &m_settings;
    DocumentHost &m_documents;
    CommandSink &m_commands;
    RunControls &m_controls;
    RunTimer &m_timer;
    const Clock &m_clock;
    State m_state;
    bool m_running = false;
    bool m_dosed = false; // a dose has been sent in this run
    int m_restarts = 0;

    // The method chosen at the start: which steps read and dose, and their rules.
    struct Route
    {
        qint16 measure = 3; // where a reading begins
        qint16 dose = 7; // where a dose is sent
    };
    std::function<MethodSettings()> m_methodSource;
    MethodSettings m_method;
    Route m_route;
    int m_volumeDecimals = 2;
    DosingRule m_rule {1, 1, 1};
    DosedVolume m_dynamicVolume; // the exact sum of the dynamic doses
    qint64 m_lastDose = 0; // microlitres; 0 before the first dynamic dose
    DriftMonitor m_monitor {1, 0, 1};
};
