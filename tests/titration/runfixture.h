#pragma once

#include "evaluation/rowscanner.h"
#include "link/commandsink.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"
#include "support/fakeruncontrols.h"
#include "support/faketime.h"
#include "titration/titrationrun.h"

#include <QStringList>

#include <cmath>
#include <functional>
#include <vector>

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

    RunFixture()
    {
        settings.separators = Numbers::Separators::comma();
        QObject::connect(&run, &TitrationRun::readingTaken,
            [this](const Journal::Reading &r) { readings.push_back(r); });
        QObject::connect(&run, &TitrationRun::ended, [this](Journal::EndReason reason) {
            ends.push_back({reason, int(readings.size())});
        });
    }

    // An end the run told of, and how many readings it had told of before.
    struct End
    {
        Journal::EndReason reason;
        int readingsBefore;
    };

    MeasurementStore store;
    SettingsRecord settings;
    FakeDocumentHost documents;
    RecordingSink sink;
    FakeRunControls controls;
    FakeTimer timer;
    FakeClock clock;
    TitrationRun run {store, settings, documents, sink, controls, timer, clock};
    std::vector<Journal::Reading> readings;
    std::vector<End> ends;

    void setMethod(const MethodSettings &m)
    {
        run.setMethodSource([m] { return m; });
    }
    FakeDocument &doc() { return *documents.active(); }
    const ChartModel::Cell &cell(int row, int column)
    {
        return doc().chartModel().cell(row, column);
    }

    // Empty when every reading told of is the table row of its index, read back from the
    // document as a saved run is read (volume, value and time as far as the row shows them, the
    // "*" mark) and the store's row; otherwise the first difference.
    QString readingsDifferFromRows()
    {
        MeasurementStore read;
        QList<bool> marked;
        for (const QString &line : doc().text().split(QStringLiteral("\r\n"))) {
            const int before = read.AnzahlWerte;
            RowScanner::scan(
                line, RowScanner::Variant::Document, settings.separators, read, nullptr);
            if (read.AnzahlWerte > before)
                marked.append(line.trimmed().endsWith(u'*'));
        }
        if (int(readings.size()) != read.AnzahlWerte)
            return QString::asprintf(
                "%d readings, %d rows", int(readings.size()), read.AnzahlWerte);
        const auto near = [](double a, double b, double halfDigit) {
            return std::abs(a - b) <= halfDigit * (1 + 1e-9);
        };
        for (int i = 0; i < read.AnzahlWerte; ++i) {
            const Journal::Reading &r = readings[i];
            if (r.index != i || !near(r.volume, read.Messwerte[i][0], 0.0005)
                || !near(r.value, read.Messwerte[i][1], 0.0005)
                || !near(r.seconds, read.Zeiten[i], 0.05) || r.forced != marked[i]
                || r.volume != store.Messwerte[i][0] || r.value != store.Messwerte[i][1])
                return QString::asprintf("reading %d (%g mL, %g, %g s%s) differs from its row",
                    r.index, r.volume, r.value, r.seconds, r.forced ? ", forced" : "");
        }
        return {};
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
