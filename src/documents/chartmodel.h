#pragma once

#include "model/abstractchart.h"
#include "model/equivalencepoint.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>

// The chart's data behind the drawing: the 500 x 4 grid, titles, and the axis limits chosen
// from the data present in round numbers. Widget-free, so evaluations and tests use it as is;
// the view redraws from it at most once per event-loop turn.
class ChartModel : public QObject, public AbstractChart
{
    Q_OBJECT
public:
    struct Cell
    {
        double value = 0;
        bool isNull = true;
    };
    struct AxisRange
    {
        double minimum = 0;
        double maximum = 1;
        int tickCount = 2;
    };

    explicit ChartModel(QObject *parent = nullptr);

    void setData(int row, int column, double value, bool isNull) override;
    void setUniformAxis(bool uniform) override;
    void setTitleText(const QString &title) override;
    void setAxisTitle(int axis, const QString &title) override;
    double yAxisMinimum() const override { return yRange().minimum; }
    double yAxisMaximum() const override { return yRange().maximum; }

    const Cell &cell(int row, int column) const;
    QString titleText() const { return m_title; }
    QString axisTitle(int axis) const;
    bool uniformAxis() const { return m_uniformAxis; }

    AxisRange xRange() const;
    AxisRange yRange() const;
    // Points whose two cells are both set, in row order.
    QList<QPointF> curvePoints() const { return points(ChartColumn::CurveX); }
    QList<QPointF> derivativePoints() const { return points(ChartColumn::DerivativeX); }

    // An equivalence point marked on the chart with its label ("EP1 10,02 ml"); an empty
    // label leaves the wording to the view.
    struct Marker
    {
        EquivalencePoint point;
        QString label;
    };

    // The equivalence points of the curve, marked on the chart. They belong to the curve they
    // were found on: any change of a curve cell (columns 1 and 2) removes them.
    // `exportNotes` are the CSV comment lines that go with them (EPs, result), CR LF ended.
    void setEquivalencePoints(const QList<Marker> &markers, const QString &exportNotes = {});
    const QList<Marker> &equivalencePoints() const { return m_markers; }
    const QString &exportNotes() const { return m_exportNotes; }
    // One point or none, labelled by the view.
    void setEquivalencePoint(const std::optional<EquivalencePoint> &point);
    // The first marked point.
    std::optional<EquivalencePoint> equivalencePoint() const;

    // Round limits around [low, high]: a nice step, limits on multiples of it.
    static AxisRange niceRange(double low, double high);

Q_SIGNALS:
    // Something changed; a view schedules one redraw for any number of these.
    void changed();

private:
    QList<QPointF> points(int xColumn) const;
    void updateRanges() const;
    void touch();

    std::array<std::array<Cell, ColumnCount>, RowCount> m_cells {};
    QString m_title;
    QString m_axisTitles[2];
    bool m_uniformAxis = false;
    QList<Marker> m_markers;
    QString m_exportNotes;
    mutable bool m_rangesValid = false;
    mutable AxisRange m_xRange;
    mutable AxisRange m_yRange;
};
