#pragma once

#include "documents/chartmodel.h"

#include <QChartView>

class ChartPlot;
class QMimeData;

// The chart component on a window: draws a ChartModel. Any number of model changes within
// one event-loop turn cost one redraw.
class ChartView : public QChartView
{
    Q_OBJECT
public:
    explicit ChartView(ChartModel *model, QWidget *parent = nullptr);

    ChartModel *model() const { return m_model; }
    ChartPlot *plot() const { return m_plot; }
    int redrawCount() const { return m_redrawCount; }
    bool isRedrawPending() const { return m_redrawPending; }
    // Brings the drawing up to date at once instead of on the next event-loop turn.
    void redrawNow();

    // Puts the chart on the clipboard as a picture: PNG, and SVG beside it for office programs.
    void EditCopy();
    QMimeData *pictureMimeData();
    // Draws the chart filling `target` on any painter (printer, SVG, image).
    void renderChart(QPainter *painter, const QRectF &target) const;
    QImage pictureImage(const QSize &size) const;
    QByteArray pictureSvg(const QSize &size) const;
    // The size pictures are made at: the chart's own on screen, else 800 x 600.
    QSize pictureSize() const;

Q_SIGNALS:
    void redrawn();

private:
    void scheduleRedraw();
    void redraw();

    ChartModel *m_model;
    ChartPlot *m_plot;
    bool m_redrawPending = false;
    int m_redrawCount = 0;
};
