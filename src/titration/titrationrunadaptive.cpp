#include "titrationrun.h"

#include "common/clock.h"
#include "model/abstractdocument.h"
#include "model/measurementstore.h"
#include "titration/runtimer.h"

// The steps of drift-controlled readings and dynamic doses. A run enters them in place of the
// fixed reading (3, 4) and the fixed dose (7) when its method says so, and leaves them for the
// end check (5) and the wait for the dose (8).

// The reading after a dose (or the range): from now on the drift counts.
void TitrationRun::stepDriftBegin()
{
    m_monitor.start(m_clock.secondsSinceMidnight());
    // A run stopped while waiting at 100 ms leaves that interval; readings come once a second.
    m_timer.setInterval(NormalInterval);
    stepDriftMeasure();
}

void TitrationRun::stepDriftMeasure()
{
    if (!send(QStringLiteral("M"), Rueckmeldung::M))
        return;
    m_state.Schritt = DriftWaitValue;
}

// Each value goes to the drift monitor; only the one it takes becomes the row and the point.
// An earlier value stays in the store's row until the next one overwrites it.
void TitrationRun::stepDriftWaitValue()
{
    if (m_store.Rueckmeldung == Rueckmeldung::pH) {
        int row = 0;
        AbstractDocument *doc = takeReply(row);
        if (!doc)
            return;
        const DriftMonitor::Verdict verdict
            = m_monitor.add(m_clock.secondsSinceMidnight(), m_store.Messwerte[row][1]);
        if (verdict == DriftMonitor::Verdict::Wait) {
            m_state.Schritt = DriftMeasure; // one tick later: about once a second
        } else {
            takeReading(*doc, row, verdict == DriftMonitor::Verdict::Forced);
            m_state.Schritt = 5;
        }
    }
    countReplyTick();
}

void TitrationRun::stepDynamicDose()
{
    const int rows = m_store.MessIndex;
    qint64 dose = m_rule.firstDose();
    if (m_lastDose > 0 && rows >= 2) {
        const double change = m_store.Messwerte[rows - 1][1] - m_store.Messwerte[rows - 2][1];
        dose = m_rule.nextDose(m_lastDose, change);
    }
    m_dosed = true; // from here on the titrator may have dosed
    if (!send(doseCommand(dose), Rueckmeldung::D))
        return;
    m_state.Schritt = 8;
    m_lastDose = dose;
    m_dynamicVolume.add(dose);
    m_state.Volumen = m_dynamicVolume.millilitres();
}
