#pragma once
#include <QFont>
#include <QLineF>
#include <QPalette>
#include <QRect>
#include <string>
#include <vector>

#include "platform/graph.h"

class QPainter;

namespace qtui {

// Draws a Graph model: axes with tick labels (after the axes' gain and offset), grid, plots,
// the legend and the cursors C1 and C2 with their read-outs. Each plot is reduced to at most
// one vertical stroke per pixel column (its minimum to maximum there) plus the joins between
// columns, so a trace of any length costs about as much as the plot is wide; plots whose x
// never decreases find each column's points by search instead of visiting every point.
// Missing values (NaN, infinity) break the line.
class PlotPainter {
  public:
    using Range = platform::Graph::Range;

    // Draws everything into area. With `columns` (a part of the last plot area, same ranges
    // and size) only those pixel columns are drawn anew, to bring a picture up to date after
    // values changed there.
    void paint(QPainter& p, const QRect& area, const platform::Graph& graph, const QPalette& pal,
               const QFont& font, const QRectF* columns = nullptr);

    // The x and y ranges drawn: the operator's view, else the axis's own range, else the
    // data's when the axis autoscales (y: over the points in the x range drawn).
    static Range xRange(const platform::Graph& graph);
    static Range yRange(const platform::Graph& graph);

    // The plot area and ranges of the last paint, to turn a pointer position into data
    // coordinates (false when nothing was drawn or the point is outside the plot area).
    bool toData(QPointF px, double& x, double& y) const;
    double toPixelX(double x) const;
    const QRectF& plotArea() const { return lastArea_; }
    Range shownX() const { return lastX_; }
    Range shownY() const { return lastY_; }
    // The legend entry under a point: the plot's label, or empty.
    std::string legendAt(QPointF px) const;
    // The pixel columns of the plot area that show data between x0 and x1 (data units),
    // widened by a column on each side; empty when none is shown.
    QRectF columnsFor(double x0, double x1) const;
    // Would a paint now draw the same axes as the last one (ranges, area)?
    bool sameFrame(const platform::Graph& graph, const QRect& area) const;

  private:
    void plotSegments(const platform::Graph::Plot& plot, const QRectF& r, Range xr, Range yr,
                      const QRectF* columns);
    void drawLegend(QPainter& p, const platform::Graph& graph, const QFontMetrics& fm);
    void drawCursors(QPainter& p, const platform::Graph& graph, const QFontMetrics& fm);

    QRect lastOuter_;
    QRectF lastArea_;
    Range lastX_{0, 1}, lastY_{0, 1};
    std::vector<std::pair<QRectF, std::string>> legend_;
    std::vector<QLineF> lines_;  // scratch, kept between paints to avoid reallocation
    std::vector<QPointF> points_;
};

}  // namespace qtui
