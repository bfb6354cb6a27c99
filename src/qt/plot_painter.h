#pragma once
#include <QFont>
#include <QLineF>
#include <QPalette>
#include <QRect>
#include <vector>

#include "platform/graph.h"

class QPainter;

namespace qtui {

// Draws a Graph model: axes with tick labels (after the axes' gain and offset), grid, plots and
// cursors. Each plot is reduced to at most one vertical stroke per pixel column (its minimum to
// maximum there) plus the joins between columns, so a trace of any length costs about as much
// as the plot is wide. Missing values (NaN, infinity) break the line.
class PlotPainter {
public:
    void paint(QPainter& p, const QRect& area, const platform::Graph& graph, const QPalette& pal,
               const QFont& font);

    struct Range {
        double lo, hi;
    };
    // The x and y ranges drawn: the axis's own range, or the data's when it autoscales.
    static Range xRange(const platform::Graph& graph);
    static Range yRange(const platform::Graph& graph);

    // The plot area and ranges of the last paint, to turn a pointer position into data
    // coordinates (false when nothing was drawn or the point is outside the plot area).
    bool toData(QPointF px, double& x, double& y) const;
    double toPixelX(double x) const;

private:
    void plotSegments(const platform::Graph::Plot& plot, const QRectF& r, Range xr, Range yr);

    QRectF lastArea_;
    Range lastX_{0, 1}, lastY_{0, 1};
    std::vector<QLineF> lines_;  // scratch, kept between paints to avoid reallocation
    std::vector<QPointF> points_;
};

}  // namespace qtui
