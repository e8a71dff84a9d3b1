#pragma once

#include "evaluation/titrationresult.h"

// Sulfuric acid, 25 mL, with NaOH 0.1 mol/L (titer 1.02): two protons, factor 0.5; a blank of
// 0.10 mL. At an EP of 10.00 mL: 0.5049 mmol, 0.051 mmol per mL of titrant.
inline MethodValues sulfuricAcid(const QString &resultUnit = QStringLiteral("mol/L"))
{
    MethodValues m;
    m.sampleSize = 25;
    m.titrantConcentration = 0.1;
    m.titer = 1.02;
    m.stoichiometricFactor = 0.5;
    m.molarMass = 98.08;
    m.blankVolume = 0.1;
    m.resultUnit = resultUnit;
    return m;
}
