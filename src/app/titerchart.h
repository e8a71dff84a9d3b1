#pragma once

#include "evaluation/controllimits.h"

#include <QWidget>

#include <optional>
#include <vector>

// A titrant's titers as a control chart: the values oldest to newest, the mean of the last ones
// and their warning (+-2 s, dashed) and action limits (+-3 s, dotted).
class TiterChart : public QWidget
{
    Q_OBJECT
public:
    explicit TiterChart(QWidget *parent = nullptr);

    void setValues(
        const std::vector<double> &oldestFirst, const std::optional<ControlLimits> &limits);

    QSize sizeHint() const override { return {480, 180}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<double> m_values;
    std::optional<ControlLimits> m_limits;
};
