#pragma once

#include "titration/runcontrols.h"

#include <functional>
#include <utility>

class frmOption;

// The titration run's view of the options dialog: each read goes to the dialog `dialog` gives
// now, which creates it unseen if the user closed it.
class OptionRunControls final : public RunControls
{
public:
    explicit OptionRunControls(std::function<frmOption *()> dialog)
        : m_dialog(std::move(dialog))
    { }

    int waitingTimeValue() override;
    int incrementValue() override;
    QString endValueText() override;
    QString endVolumeText() override;

private:
    std::function<frmOption *()> m_dialog;
};
