#pragma once

#include <QString>

#include <QtGlobal>

struct MethodSettings;

// Dynamic dosing: each dose is sized so that it should change the signal by a target step,
// from the slope the last dose showed. Doses are whole microlitres, the burette's resolution,
// so the volume of a run is an exact sum.
class DosingRule
{
public:
    // How much larger than the last one a dose may be. After the jump the slope falls by a
    // large factor at once; doubling reaches the largest dose from the smallest in a few steps
    // while a dose never lands more than twice as far beyond a point whose slope is known.
    static constexpr int DefaultGrowth = 2;

    // Doses in whole microlitres; targetStep in pH or mV per dose (> 0); growth at least 1.
    DosingRule(qint64 minDose, qint64 maxDose, double targetStep, int growth = DefaultGrowth);
    // From clamped method settings, for the pH or the mV range.
    static DosingRule fromSettings(const MethodSettings &settings, bool millivolts);

    qint64 minDose() const { return m_min; }
    qint64 maxDose() const { return m_max; }
    double targetStep() const { return m_targetStep; }
    int growth() const { return m_growth; }

    // The first dose of a run: the smallest, as nothing is known of the curve yet.
    qint64 firstDose() const { return m_min; }
    // The dose after a dose of `lastDose` microlitres that changed the signal by `signalChange`
    // (pH or mV, either sign): targetStep / |signalChange / lastDose|, rounded to whole
    // microlitres, at most growth() times the last dose, within [minDose, maxDose]. A change
    // of 0, or a value that is no number, asks for the largest dose the growth limit allows.
    qint64 nextDose(qint64 lastDose, double signalChange) const;

private:
    qint64 m_min;
    qint64 m_max;
    double m_targetStep;
    int m_growth;
};

// The volume dosed in a run, kept as an exact sum of whole microlitres.
class DosedVolume
{
public:
    void reset() { m_microlitres = 0; }
    void add(qint64 microlitres) { m_microlitres += microlitres; }
    qint64 microlitres() const { return m_microlitres; }
    // The sum in mL: the double nearest the decimal value, as "0.1" reads.
    double millilitres() const { return toMillilitres(m_microlitres); }

    static double toMillilitres(qint64 microlitres) { return double(microlitres) / 1000.0; }
    // Nearest whole microlitre of a volume in mL.
    static qint64 toMicrolitres(double millilitres);

private:
    qint64 m_microlitres = 0;
};

// The command that doses `microlitres`: "DA" and the volume in mL with ".", in the run's
// general number form ("DA0.013", "DA0.2", "DA1").
QString doseCommand(qint64 microlitres);
