#include "qt/plot_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>
#include <tuple>

namespace qtui {

namespace {

constexpr double kWheelStep = 1.25;  // zoom per notch of the wheel

}  // namespace

PlotWidget::PlotWidget(platform::Graph& graph, QWidget* parent) : QWidget(parent), graph_(graph) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotWidget::redrawCache() {
    const qreal dpr = devicePixelRatioF();
    const QSize size = (QSizeF(this->size()) * dpr).toSize();
    const bool fresh = cache_.size() != size;
    if (fresh) {
        cache_ = QImage(size, QImage::Format_RGB32);
        cache_.setDevicePixelRatio(dpr);
    }
    const QRect area = rect().adjusted(2, 2, -2, -2);
    const platform::Graph::Damage damage = graph_.takeDamage();
    QPainter p(&cache_);
    if (!fresh && !damage.all && painter_.sameFrame(graph_, area)) {
        // Nothing changed (an expose): the picture stands.
        if (!damage.any()) return;
        // Only values changed, the axes stayed: the columns that show them are drawn anew.
        const QRectF columns = painter_.columnsFor(damage.xLo, damage.xHi);
        if (!columns.isEmpty()) painter_.paint(p, area, graph_, palette(), font(), &columns);
        return;
    }
    p.fillRect(rect(), palette().color(QPalette::Window));
    painter_.paint(p, area, graph_, palette(), font());
}

void PlotWidget::refresh() {
    const platform::Graph::Damage& d = graph_.damage();
    if (!d.any()) return;
    const QRect area = rect().adjusted(2, 2, -2, -2);
    if (!d.all && cache_.size() == (QSizeF(size()) * devicePixelRatioF()).toSize() &&
        painter_.sameFrame(graph_, area)) {
        update(painter_.columnsFor(d.xLo, d.xHi).toAlignedRect());
        return;
    }
    update();
}

void PlotWidget::changeEvent(QEvent* event) {
    // Other colours or type: the picture kept is no longer what would be drawn.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        cache_ = QImage();
    }
    QWidget::changeEvent(event);
}

void PlotWidget::paintEvent(QPaintEvent* event) {
    const qreal dpr = devicePixelRatioF();
    redrawCache();
    QPainter p(this);
    p.drawImage(event->rect(), cache_,
                QRectF(QPointF(event->rect().topLeft()) * dpr, QSizeF(event->rect().size()) * dpr));
}

PlotWidget::Axes PlotWidget::axesAt(QPointF at) const {
    const QRectF& r = painter_.plotArea();
    if (at.x() < r.left()) return Axes::Y;
    if (at.y() > r.bottom()) return Axes::X;
    return Axes::Both;
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const bool pan =
        event->button() == Qt::MiddleButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    if (pan || (event->button() == Qt::LeftButton && axesAt(at) != Axes::Both)) {
        panning_ = true;
        panAxes_ = axesAt(at);
        panFrom_ = at;
        return;
    }
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    if (const std::string name = painter_.legendAt(at); !name.empty()) {
        graph_.setCursorPlot(name);
        return;
    }
    if (!cursorMoved_) return;
    double x = 0, y = 0;
    if (!painter_.toData(at, x, y)) return;
    // The nearer of the cursors shown; a press well away from a lone cursor makes the second.
    constexpr double kNear = 24;  // pixels
    int best = graph_.cursorCount() == 0 ? 0 : -1;
    double bestDistance = 0;
    for (int i = 0; i < std::min(graph_.cursorCount(), 2); ++i) {
        const double d = std::abs(painter_.toPixelX(graph_.cursor(i).first) - at.x());
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    if (graph_.cursorCount() == 1 && bestDistance > kNear) best = 1;
    dragging_ = best;
    moveCursor(at, false);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    if (panning_) {
        const QRectF& r = painter_.plotArea();
        if (r.isEmpty()) return;
        const QPointF d = event->position() - panFrom_;
        panFrom_ = event->position();
        const PlotPainter::Range xr = painter_.shownX(), yr = painter_.shownY();
        // Dragging moves the picture with the pointer: the range moves the other way.
        if (panAxes_ != Axes::Y) graph_.pan(true, xr, -d.x() / r.width() * (xr.hi - xr.lo));
        if (panAxes_ != Axes::X) graph_.pan(false, yr, d.y() / r.height() * (yr.hi - yr.lo));
        return;
    }
    if (dragging_ < 0) return QWidget::mouseMoveEvent(event);
    moveCursor(event->position(), false);
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_) {
        panning_ = false;
        return;
    }
    if (dragging_ < 0) return QWidget::mouseReleaseEvent(event);
    moveCursor(event->position(), true);
    dragging_ = -1;
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    graph_.resetView();
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
    const QRectF& r = painter_.plotArea();
    const double notches = event->angleDelta().y() / 120.0;
    if (r.isEmpty() || notches == 0) return QWidget::wheelEvent(event);
    const double factor = std::pow(kWheelStep, notches);
    const QPointF at = event->position();
    double x = 0, y = 0;
    const QPointF inside(std::clamp(at.x(), r.left(), r.right()),
                         std::clamp(at.y(), r.top(), r.bottom()));
    painter_.toData(inside, x, y);
    const bool yAxis = axesAt(at) == Axes::Y || (event->modifiers() & Qt::ControlModifier);
    if (yAxis)
        graph_.zoom(false, painter_.shownY(), y, factor);
    else
        graph_.zoom(true, painter_.shownX(), x, factor);
    event->accept();
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
