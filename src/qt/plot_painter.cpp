#include "qt/plot_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qtui {

using platform::Graph;

namespace {

const QColor kBorder(0x55, 0x60, 0x70);

QColor rgb(platform::Rgb c) { return QColor(static_cast<QRgb>(c)); }

// Pixel coordinates are clamped well outside any screen so that huge values cannot overflow
// the integer conversions inside the painter.
constexpr double kPixelLimit = 1e6;

double clampPx(double v) { return std::clamp(v, -kPixelLimit, kPixelLimit); }

PlotPainter::Range sane(double lo, double hi, PlotPainter::Range fallback) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi) return fallback;
    if (hi - lo < 1e-12 * std::max(1.0, std::abs(lo))) {
        double pad = std::abs(lo) > 0 ? std::abs(lo) * 0.1 : 0.5;
        return {lo - pad, hi + pad};
    }
    return {lo, hi};
}

// A tick step of 1, 2 or 5 times a power of ten giving about `count` intervals.
double niceStep(double span, int count) {
    double raw = span / std::max(1, count);
    double mag = std::pow(10.0, std::floor(std::log10(raw)));
    double n = raw / mag;
    return (n < 1.5 ? 1 : n < 3 ? 2 : n < 7 ? 5 : 10) * mag;
}

int decimalsFor(double step) {
    if (!(step > 0) || !std::isfinite(step)) return 0;
    return std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 6);
}

template <typename Fn>
void forEachTick(PlotPainter::Range r, double step, Fn fn) {
    if (!(step > 0) || !std::isfinite(step)) return;
    double first = std::ceil(r.lo / step) * step;
    for (int i = 0; i < 200; ++i) {
        double v = first + i * step;
        if (v > r.hi + step * 1e-6) break;
        fn(std::abs(v) < step * 1e-9 ? 0.0 : v);
    }
}

QString label(double v, const Graph::Axis& a, double step) {
    return QString::number(v * a.gain + a.offset, 'f', decimalsFor(step * std::abs(a.gain)));
}

}  // namespace

PlotPainter::Range PlotPainter::xRange(const Graph& graph) {
    const Graph::Axis& a = graph.xAxis();
    Range fallback = sane(a.min, a.max, {0, 1});
    if (!a.autoscale) return fallback;
    double lo = INFINITY, hi = -INFINITY;
    for (const Graph::Plot& plot : graph.plots()) {
        if (plot.y.empty()) continue;
        if (plot.x.empty()) {
            double e = plot.x0 + static_cast<double>(plot.y.size() - 1) * plot.dx;
            lo = std::min({lo, plot.x0, e});
            hi = std::max({hi, plot.x0, e});
        } else {
            for (double x : plot.x) {
                if (!std::isfinite(x)) continue;
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
        }
    }
    return sane(lo, hi, fallback);
}

PlotPainter::Range PlotPainter::yRange(const Graph& graph) {
    const Graph::Axis& a = graph.yAxis();
    Range fallback = sane(a.min, a.max, {0, 1});
    if (!a.autoscale) return fallback;
    double lo = INFINITY, hi = -INFINITY;
    for (const Graph::Plot& plot : graph.plots()) {
        for (double y : plot.y) {
            if (!std::isfinite(y) || y <= a.floor) continue;
            lo = std::min(lo, y);
            hi = std::max(hi, y);
        }
    }
    Range r = sane(lo, hi, fallback);
    if (r.lo == lo && r.hi == hi) {
        double pad = (hi - lo) * 0.05;
        r = {lo - pad, hi + pad};
    }
    return r;
}

namespace {

// Collects a trace column by column: one vertical stroke from the lowest to the highest point
// of each pixel column, joined to the next column from its last point to that one's first.
class ColumnTracer {
public:
    ColumnTracer(std::vector<QLineF>& lines, std::vector<QPointF>& points, platform::PlotStyle style,
                 double base)
        : lines_(lines), points_(points), style_(style), base_(base) {}
    ~ColumnTracer() { close(); }

    void point(long c, double py) { column(c, py, py, py, py); }
    void column(long c, double first, double last, double lo, double hi) {
        if (open_ && c == col_) {
            lo_ = std::min(lo_, lo);
            hi_ = std::max(hi_, hi);
            last_ = last;
            return;
        }
        close();
        open_ = true;
        col_ = c;
        first_ = first;
        last_ = last;
        lo_ = lo;
        hi_ = hi;
    }
    // A missing value: the line stops here and starts again at the next value.
    void gap() {
        close();
        joined_ = false;
    }

private:
    void close() {
        if (!open_) return;
        const double x = static_cast<double>(col_) + 0.5;
        const double lo = clampPx(lo_), hi = clampPx(hi_);
        if (style_ == platform::PlotStyle::Dots) {
            points_.emplace_back(x, lo);
            if (hi != lo) points_.emplace_back(x, hi);
        } else if (style_ == platform::PlotStyle::Bars) {
            lines_.emplace_back(x, base_, x, std::abs(lo - base_) > std::abs(hi - base_) ? lo : hi);
        } else {
            if (joined_) lines_.emplace_back(prev_, QPointF(x, clampPx(first_)));
            lines_.emplace_back(x, lo, x, hi);
            prev_ = QPointF(x, clampPx(last_));
            joined_ = true;
        }
        open_ = false;
    }

    std::vector<QLineF>& lines_;
    std::vector<QPointF>& points_;
    platform::PlotStyle style_;
    double base_;
    bool open_ = false, joined_ = false;
    long col_ = 0;
    double first_ = 0, last_ = 0, lo_ = 0, hi_ = 0;
    QPointF prev_;
};

// Pixel column of an x coordinate already clamped to +-kPixelLimit.
long columnOf(double px) { return static_cast<long>(px + kPixelLimit) - static_cast<long>(kPixelLimit); }

}  // namespace

void PlotPainter::plotSegments(const Graph::Plot& plot, const QRectF& r, Range xr, Range yr) {
    lines_.clear();
    points_.clear();
    const double sx = r.width() / (xr.hi - xr.lo);
    const double sy = r.height() / (yr.hi - yr.lo);
    ColumnTracer tracer(lines_, points_, plot.style, clampPx(r.bottom() + yr.lo * sy));
    auto toPy = [&](double y) { return r.bottom() - (y - yr.lo) * sy; };

    const std::size_t n = plot.x.empty() ? plot.y.size() : std::min(plot.x.size(), plot.y.size());
    const double a = r.left() + (plot.x0 - xr.lo) * sx;  // waveform: px = a + i * b
    const double b = plot.dx * sx;
    if (plot.x.empty() && b > 0 && b < 0.5 && std::isfinite(a)) {
        // Many samples per pixel column: find each column's samples by index and reduce them
        // in a tight loop; only columns holding a missing value go point by point.
        const double* y = plot.y.data();
        auto indexAt = [&](double px) {
            return static_cast<std::size_t>(std::clamp(std::ceil((px - a) / b), 0.0, double(n)));
        };
        std::size_t i = indexAt(r.left() - 1);
        const std::size_t end = indexAt(r.right() + 2);
        while (i < end) {
            const long c = columnOf(clampPx(a + double(i) * b));
            const std::size_t stop = std::max(i + 1, std::min(end, indexAt(double(c + 1))));
            double lo = y[i], hi = y[i], bad = 0;
            for (std::size_t k = i; k < stop; ++k) {
                const double v = y[k];
                bad += v - v;  // NaN as soon as one value is NaN or infinite
                lo = v < lo ? v : lo;
                hi = v > hi ? v : hi;
            }
            if (bad == 0) {
                tracer.column(c, toPy(y[i]), toPy(y[stop - 1]), toPy(hi), toPy(lo));
            } else {
                for (std::size_t k = i; k < stop; ++k) {
                    if (std::isfinite(y[k])) tracer.point(c, toPy(y[k]));
                    else tracer.gap();
                }
            }
            i = stop;
        }
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const double x = plot.x.empty() ? plot.x0 + double(i) * plot.dx : plot.x[i];
        const double y = plot.y[i];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            tracer.gap();
            continue;
        }
        tracer.point(columnOf(clampPx(r.left() + (x - xr.lo) * sx)), toPy(y));
    }
}

bool PlotPainter::toData(QPointF px, double& x, double& y) const {
    if (lastArea_.isEmpty() || !lastArea_.adjusted(-2, -2, 2, 2).contains(px)) return false;
    const QPointF c(std::clamp(px.x(), lastArea_.left(), lastArea_.right()),
                    std::clamp(px.y(), lastArea_.top(), lastArea_.bottom()));
    x = lastX_.lo + (c.x() - lastArea_.left()) / lastArea_.width() * (lastX_.hi - lastX_.lo);
    y = lastY_.lo + (lastArea_.bottom() - c.y()) / lastArea_.height() * (lastY_.hi - lastY_.lo);
    return true;
}

double PlotPainter::toPixelX(double x) const {
    return lastArea_.left() + (x - lastX_.lo) / (lastX_.hi - lastX_.lo) * lastArea_.width();
}

void PlotPainter::paint(QPainter& p, const QRect& area, const Graph& graph, const QPalette& pal,
                        const QFont& font) {
    p.save();
    p.setFont(font);
    const QFontMetrics fm(font);
    const Range xr = xRange(graph), yr = yRange(graph);
    const Graph::Axis &xa = graph.xAxis(), &ya = graph.yAxis();

    const int rows = std::max(2, area.height() / (fm.height() * 3));
    const int cols = std::max(2, area.width() / (fm.horizontalAdvance(QStringLiteral("00000.00")) * 2));
    const double yStep = niceStep(yr.hi - yr.lo, rows), xStep = niceStep(xr.hi - xr.lo, cols);

    int labelWidth = fm.horizontalAdvance(QStringLiteral("0000"));
    forEachTick(yr, yStep, [&](double v) {
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(label(v, ya, yStep)));
    });
    const bool yName = !ya.name.empty(), xName = !xa.name.empty();
    const int top = area.top() + fm.height() / 2 + (yName ? fm.height() : 0);
    const int bottom = area.bottom() - fm.height() - 6 - (xName ? fm.height() + 2 : 0);
    const int left = area.left() + labelWidth + 10;
    const int right = area.right() - fm.horizontalAdvance(QStringLiteral("000")) / 2 - 4;
    if (right - left < 10 || bottom - top < 10) {
        p.restore();
        return;
    }
    const QRectF r(left, top, right - left, bottom - top);
    lastArea_ = r;
    lastX_ = xr;
    lastY_ = yr;
    const QColor grid = rgb(graph.colors().grid), cursorColor = rgb(graph.colors().cursor);
    const double sx = r.width() / (xr.hi - xr.lo), sy = r.height() / (yr.hi - yr.lo);

    p.fillRect(r, rgb(graph.colors().background));
    p.setPen(QPen(grid, 0));
    const QColor text = pal.color(QPalette::WindowText);
    forEachTick(yr, yStep, [&](double v) {
        double y = r.bottom() - (v - yr.lo) * sy;
        p.setPen(QPen(grid, 0));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        p.setPen(text);
        p.drawText(QRectF(area.left(), y - fm.height(), labelWidth + 4, fm.height() * 2),
                   Qt::AlignRight | Qt::AlignVCenter, label(v, ya, yStep));
    });
    forEachTick(xr, xStep, [&](double v) {
        double x = r.left() + (v - xr.lo) * sx;
        p.setPen(QPen(grid, 0));
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        p.setPen(text);
        QString s = label(v, xa, xStep);
        int w = fm.horizontalAdvance(s);
        p.drawText(QPointF(x - w / 2.0, r.bottom() + 4 + fm.ascent()), s);
    });
    p.setPen(text);
    if (yName) p.drawText(QPointF(area.left() + 2, area.top() + fm.ascent()), QString::fromUtf8(ya.name.data(), static_cast<int>(ya.name.size())));
    if (xName) {
        QString s = QString::fromUtf8(xa.name.data(), static_cast<int>(xa.name.size()));
        p.drawText(QPointF(r.center().x() - fm.horizontalAdvance(s) / 2.0, area.bottom() - fm.descent()), s);
    }

    p.setClipRect(r.adjusted(0, 0, 1, 1));
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const Graph::Plot& plot : graph.plots()) {
        plotSegments(plot, r, xr, yr);
        QColor c(static_cast<QRgb>(plot.color));
        p.setPen(QPen(c, plot.style == platform::PlotStyle::Dots ? 2 : 0));
        if (!lines_.empty()) p.drawLines(lines_.data(), static_cast<int>(lines_.size()));
        if (!points_.empty()) p.drawPoints(points_.data(), static_cast<int>(points_.size()));
    }
    for (int i = 0; i < graph.cursorCount(); ++i) {
        auto [cx, cy] = graph.cursor(i);
        if (!std::isfinite(cx) || !std::isfinite(cy)) continue;
        const QPointF c(clampPx(r.left() + (cx - xr.lo) * sx), clampPx(r.bottom() - (cy - yr.lo) * sy));
        p.setPen(QPen(cursorColor, 0, Qt::DashLine));
        p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
        p.drawLine(QPointF(r.left(), c.y()), QPointF(r.right(), c.y()));
        QString s = QStringLiteral("%1, %2").arg(cx * xa.gain + xa.offset, 0, 'g', 6)
                        .arg(cy * ya.gain + ya.offset, 0, 'g', 6);
        p.drawText(c + QPointF(4, -4), s);
    }
    p.setClipping(false);
    p.setPen(QPen(kBorder, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

}  // namespace qtui
