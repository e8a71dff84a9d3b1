#pragma once

#include "link/commandsink.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"
#include "support/fakeruncontrols.h"
#include "support/faketime.h"
#include "titration/titrationrun.h"

#include <QStringList>

#include <functional>

// A run with everything it talks to faked: no window, no port, no real timer, a clock that
// stands still until the test moves it (past midnight it starts again from 0).
struct RunFixture
{
    struct RecordingSink : CommandSink
    {
        bool sendCommand(const QString &command, QString *error) override
        {
            if (!failOn.isEmpty() && command.startsWith(failOn)) {
                *error = QStringLiteral("port closed");
                return false;
            }
            sent.append(command);
            if (onSend)
                onSend(command); // a titrator that answers while the write is still going on
            return true;
        }
        QStringList sent;
        QString failOn; // commands starting with this are refused
        std::function<void(const QString &)> onSend;
    };

    RunFixture() { settings.separators = Numbers::Separators::comma(); }

    MeasurementStore store;
    SettingsRecord settings;
    FakeDocumentHost documents;
    RecordingSink sink;
    FakeRunControls controls;
    FakeTimer timer;
    FakeClock clock;
    TitrationRun run {store, settings, documents, sink, controls, timer, clock};

    void setMethod(const MethodSettings &m)
    {
        run.setMethodSource([m] { return m; });
    }
    FakeDocument &doc() { return *documents.active(); }
    const ChartModel::Cell &cell(int row, int column)
    {
        return doc().chartModel().cell(row, column);
    }

    // The titrator's answers as the report evaluation hands them to the run.
    void acknowledge()
    {
        if (store.Rueckmeldung == Rueckmeldung::D)
            store.Rueckmeldung = Rueckmeldung::Y;
    }
    void reading(double value)
    {
        if (store.Rueckmeldung == Rueckmeldung::M) {
            store.Messwerte[store.MessIndex][1] = value;
            store.Rueckmeldung = Rueckmeldung::pH;
        }
    }
    void tick(int times = 1)
    {
        while (times-- > 0)
            run.Ablauf();
    }
    // Ticks, each command answered at once, until the run is at `step` (0: until it stops).
    void advanceTo(int step, double value = 7)
    {
        for (int i = 0; i < 1000 && run.isRunning() && run.state().Schritt != step; ++i) {
            acknowledge();
            reading(value);
            run.Ablauf();
        }
    }
    // On to the next reading, taken `seconds` later; the run then stands before its end check.
    void takeReading(double value, double seconds = 0)
    {
        advanceTo(4);
        clock.later(seconds);
        reading(value);
        run.Ablauf();
    }
};
