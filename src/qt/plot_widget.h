#pragma once
#include <QImage>
#include <QWidget>
#include <functional>

#include "platform/graph.h"
#include "qt/plot_painter.h"

namespace qtui {

// The view of one Graph control. It repaints when told (the binder calls update() at most once
// per screen frame), never per model change, and then draws anew only the pixel columns whose
// values changed when the axes stayed as they were.
//
// Gestures:
//  - left button in the plot: drag the nearer cursor (a press away from a lone cursor makes the
//    second); cursors snap to the trace chosen in the legend;
//  - left click on a legend entry: the cursors follow that trace;
//  - mouse wheel: zoom the time (x) axis about the pointer; over the level axis's labels, or
//    with Ctrl held, zoom the level (y) axis;
//  - drag with the middle button, or with the left button while Shift is held: pan; over an
//    axis's labels only that axis moves;
//  - double click: back to the full view.
class PlotWidget : public QWidget {
    Q_OBJECT
  public:
    // Cursor index, position in data coordinates, and whether the drag has ended.
    using CursorMoved = std::function<void(int cursor, double x, double y, bool done)>;

    PlotWidget(platform::Graph& graph, QWidget* parent = nullptr);
    void onCursorMoved(CursorMoved cb) { cursorMoved_ = std::move(cb); }
    // The model changed: schedules a repaint of what changed (the columns whose values
    // changed, when the axes stayed), or of the whole widget.
    void refresh();
    QSize sizeHint() const override { return {640, 320}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

    const PlotPainter& painter() const { return painter_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    bool moveCursor(QPointF at, bool done);
    // Which axes a gesture at this point acts on: over the y labels only y, below the plot
    // only x, inside the plot both (pan) or the one chosen by the modifiers (zoom).
    enum class Axes { X, Y, Both };
    Axes axesAt(QPointF at) const;
    void redrawCache();
    void changeEvent(QEvent* event) override;

    platform::Graph& graph_;
    PlotPainter painter_;
    CursorMoved cursorMoved_;
    int dragging_ = -1;
    bool panning_ = false;
    Axes panAxes_ = Axes::Both;
    QPointF panFrom_;
    QImage cache_;  // the whole widget as last drawn
};

}  // namespace qtui
