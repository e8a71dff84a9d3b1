#include "optionruncontrols.h"

#include "app/frmoption.h"

int OptionRunControls::waitingTimeValue()
{
    return m_dialog()->vscrZeitValue();
}

int OptionRunControls::incrementValue()
{
    return m_dialog()->vscrVollValue();
}

QString OptionRunControls::endValueText()
{
    return m_dialog()->txtEndepHText();
}

QString OptionRunControls::endVolumeText()
{
    return m_dialog()->txtEndVolText();
}
