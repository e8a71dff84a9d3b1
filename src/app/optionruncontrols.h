#pragma once

#include "titration/runcontrols.h"

class frmMain;

// The titration run's view of the options dialog: each read goes to the dialog that is there
// now, creating it unseen if the user closed it.
class OptionRunControls final : public RunControls
{
public:
    explicit OptionRunControls(frmMain &main)
        : m_main(main)
    { }

    int waitingTimeValue() override;
    int incrementValue() override;
    QString endValueText() override;
    QString endVolumeText() override;

private:
    frmMain &m_main;
};
