#include "qt/plot_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <tuple>

namespace qtui {

PlotWidget::PlotWidget(const platform::Graph& graph, QWidget* parent)
    : QWidget(parent), graph_(graph) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    painter_.paint(p, rect().adjusted(2, 2, -2, -2), graph_, palette(), font());
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !cursorMoved_) return QWidget::mousePressEvent(event);
    double x = 0, y = 0;
    if (!painter_.toData(event->position(), x, y)) return;
    // The nearer of the cursors shown; a press well away from a lone cursor makes the second.
    constexpr double kNear = 24;  // pixels
    int best = graph_.cursorCount() == 0 ? 0 : -1;
    double bestDistance = 0;
    for (int i = 0; i < std::min(graph_.cursorCount(), 2); ++i) {
        const double d = std::abs(painter_.toPixelX(graph_.cursor(i).first) - event->position().x());
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    if (graph_.cursorCount() == 1 && bestDistance > kNear) best = 1;
    dragging_ = best;
    moveCursor(event->position(), false);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ < 0) return QWidget::mouseMoveEvent(event);
    moveCursor(event->position(), false);
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ < 0) return QWidget::mouseReleaseEvent(event);
    moveCursor(event->position(), true);
    dragging_ = -1;
}

bool PlotWidget::moveCursor(QPointF at, bool done) {
    double x = 0, y = 0;
    if (!painter_.toData(at, x, y)) {
        if (!done) return false;
        std::tie(x, y) = graph_.cursor(dragging_);  // released outside: it stays where it was
    }
    cursorMoved_(dragging_, x, y, done);
    return true;
}

}  // namespace qtui
