#include "optionruncontrols.h"

#include "app/frmmain.h"
#include "app/frmoption.h"

int OptionRunControls::waitingTimeValue()
{
    return m_main.optionDialog()->vscrZeitValue();
}

int OptionRunControls::incrementValue()
{
    return m_main.optionDialog()->vscrVollValue();
}

QString OptionRunControls::endValueText()
{
    return m_main.optionDialog()->txtEndepHText();
}

QString OptionRunControls::endVolumeText()
{
    return m_main.optionDialog()->txtEndVolText();
}
