#pragma once

#include <QString>

// The options dialog's controls that the titration run reads live, at the moment of use.
// Reading them brings the dialog into being (unseen) when it is not there.
class RunControls
{
public:
    virtual ~RunControls() = default;
    virtual int waitingTimeValue() = 0; // vscrZeit, tenths of a second, 1..600
    virtual int incrementValue() = 0; // vscrVoll, hundredths of a mL, 1..50
    virtual QString endValueText() = 0; // txtEndepH
    virtual QString endVolumeText() = 0; // txtEndVol
};
