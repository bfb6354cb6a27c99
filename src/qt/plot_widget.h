#pragma once
#include <QWidget>
#include <functional>

#include "platform/graph.h"
#include "qt/plot_painter.h"

namespace qtui {

// The view of one Graph control. It repaints when told (the binder calls update() at most once
// per screen frame), never per model change. The operator drags the graph's two cursors with
// the left mouse button: a press takes the nearer cursor (the second one is made by pressing
// away from the first).
class PlotWidget : public QWidget {
    Q_OBJECT
public:
    // Cursor index, position in data coordinates, and whether the drag has ended.
    using CursorMoved = std::function<void(int cursor, double x, double y, bool done)>;

    PlotWidget(const platform::Graph& graph, QWidget* parent = nullptr);
    void onCursorMoved(CursorMoved cb) { cursorMoved_ = std::move(cb); }
    QSize sizeHint() const override { return {640, 320}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool moveCursor(QPointF at, bool done);

    const platform::Graph& graph_;
    PlotPainter painter_;
    CursorMoved cursorMoved_;
    int dragging_ = -1;
};

}  // namespace qtui
