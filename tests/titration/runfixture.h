#pragma once

#include "app/settingsrecord.h"
#include "common/clock.h"
#include "evaluation/measurementstore.h"
#include "link/commandsink.h"
#include "support/fakedocument.h"
#include "titration/runcontrols.h"
#include "titration/runtimer.h"
#include "titration/titrationrun.h"

#include <QStringList>

// Everything a run talks to, without a window, a port or a real timer.
struct RecordingSink : CommandSink
{
    bool sendCommand(const QString &command, QString *error) override
    {
        if (failOn == command.left(failOn.size()) && !failOn.isEmpty()) {
            if (error)
                *error = QStringLiteral("port closed");
            return false;
        }
        sent.append(command);
        return true;
    }
    QStringList sent;
    QString failOn; // commands starting with this are refused
};

struct FakeControls : RunControls
{
    int waitingTimeValue() override { return waiting; }
    int incrementValue() override { return increment; }
    QString endValueText() override { return endValue; }
    QString endVolumeText() override { return endVolume; }
    int waiting = 1;
    int increment = 10;
    QString endValue = QStringLiteral("14");
    QString endVolume = QStringLiteral("20");
};

struct FakeTimer : RunTimer
{
    int interval() const override { return ms; }
    void setInterval(int milliseconds) override { ms = milliseconds; }
    bool isEnabled() const override { return enabled; }
    void setEnabled(bool on) override { enabled = on; }
    int ms = 500;
    bool enabled = true;
};

struct FakeClock : Clock
{
    double secondsSinceMidnight() const override { return seconds; }
    QDateTime now() const override { return {}; }
    double seconds = 3600;
};

struct RunFixture
{
    RunFixture() { settings.separators = Numbers::Separators::comma(); }

    MeasurementStore store;
    SettingsRecord settings;
    FakeDocumentHost documents;
    RecordingSink sink;
    FakeControls controls;
    FakeTimer timer;
    FakeClock clock;
    TitrationRun run {store, settings, documents, sink, controls, timer, clock};

    FakeDocument &doc() { return *documents.active(); }
    const ChartModel::Cell &cell(int row, int column)
    {
        return doc().chartModel().cell(row, column);
    }

    // What the report evaluation does when the titrator answers.
    void acknowledge()
    {
        if (store.Rueckmeldung == QLatin1String("D"))
            store.Rueckmeldung = QStringLiteral("Y");
    }
    void reading(double value)
    {
        if (store.Rueckmeldung == QLatin1String("M")) {
            store.Messwerte[store.MessIndex][1] = value;
            store.Rueckmeldung = QStringLiteral("pH");
        }
    }

    // Ticks until the run is at `step` (or stopped), at most `limit` ticks; returns the ticks.
    int tickUntil(int step, int limit = 1000)
    {
        int ticks = 0;
        while (run.isRunning() && run.Schritt != step && ticks < limit) {
            run.Ablauf();
            ++ticks;
        }
        return ticks;
    }

    // Ticks until `step` (or the stop), answering every command at once with `value`.
    int advanceTo(int step, double value = 7, int limit = 1000)
    {
        int ticks = 0;
        while (run.isRunning() && run.Schritt != step && ticks < limit) {
            acknowledge();
            reading(value);
            run.Ablauf();
            ++ticks;
        }
        return ticks;
    }

    // Start and take the first reading: steps 1 to 4, ready for the end check.
    void startWithFirstReading(double value)
    {
        run.cmdTitration_Click();
        run.Ablauf(); // 1: range command
        acknowledge();
        run.Ablauf(); // 2: acknowledgement taken
        run.Ablauf(); // 3: "M"
        reading(value);
        run.Ablauf(); // 4: row written
    }

    // From the end check on, one full cycle: wait, dose, acknowledgement, "M", reading.
    void nextReading(double value)
    {
        tickUntil(7);
        run.Ablauf(); // 7: dose
        acknowledge();
        run.Ablauf(); // 8
        run.Ablauf(); // 3
        reading(value);
        run.Ablauf(); // 4
    }
};
