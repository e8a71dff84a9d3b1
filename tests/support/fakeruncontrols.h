#pragma once

#include "titration/runcontrols.h"

// The options dialog's controls as a titration run reads them, set by the test.
struct FakeRunControls : RunControls
{
    int waitingTimeValue() override { return waiting; }
    int incrementValue() override { return increment; }
    QString endValueText() override { return endValue; }
    QString endVolumeText() override { return endVolume; }

    int waiting = 1; // tenths of a second
    int increment = 10; // hundredths of a mL
    QString endValue = QStringLiteral("14");
    QString endVolume = QStringLiteral("20");
};
