#include "qt/plot_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qtui {

using platform::Graph;

namespace {

const QColor kBackground(0x12, 0x16, 0x1C);
const QColor kGrid(0x2C, 0x34, 0x40);
const QColor kBorder(0x55, 0x60, 0x70);
const QColor kCursor(0xF0, 0xF0, 0xF0);

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

double xAt(const Graph::Plot& plot, std::size_t i) {
    return plot.x.empty() ? plot.x0 + static_cast<double>(i) * plot.dx : plot.x[i];
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
            if (!std::isfinite(y)) continue;
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

void PlotPainter::plotSegments(const Graph::Plot& plot, const QRectF& r, Range xr, Range yr) {
    lines_.clear();
    points_.clear();
    const double sx = r.width() / (xr.hi - xr.lo);
    const double sy = r.height() / (yr.hi - yr.lo);
    const double base = clampPx(r.bottom() + yr.lo * sy);  // y = 0 for bars
    const bool dots = plot.style == platform::PlotStyle::Dots;
    const bool bars = plot.style == platform::PlotStyle::Bars;

    bool open = false, joined = false;
    long col = 0;
    double colX = 0, first = 0, last = 0, lo = 0, hi = 0;
    QPointF prev;
    auto close = [&] {
        if (!open) return;
        if (dots) {
            points_.emplace_back(colX, lo);
            if (hi != lo) points_.emplace_back(colX, hi);
        } else if (bars) {
            lines_.emplace_back(colX, base, colX, std::abs(lo - base) > std::abs(hi - base) ? lo : hi);
        } else {
            if (joined) lines_.emplace_back(prev, QPointF(colX, first));
            lines_.emplace_back(colX, lo, colX, hi);
            prev = QPointF(colX, last);
            joined = true;
        }
        open = false;
    };

    const std::size_t n = plot.x.empty() ? plot.y.size() : std::min(plot.x.size(), plot.y.size());
    for (std::size_t i = 0; i < n; ++i) {
        const double x = xAt(plot, i), y = plot.y[i];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            close();
            joined = false;
            continue;
        }
        const double px = clampPx(r.left() + (x - xr.lo) * sx);
        const double py = clampPx(r.bottom() - (y - yr.lo) * sy);
        const long c = static_cast<long>(std::floor(px));
        if (open && c == col) {
            lo = std::min(lo, py);
            hi = std::max(hi, py);
            last = py;
            continue;
        }
        close();
        open = true;
        col = c;
        colX = static_cast<double>(c) + 0.5;
        first = last = lo = hi = py;
    }
    close();
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
    const double sx = r.width() / (xr.hi - xr.lo), sy = r.height() / (yr.hi - yr.lo);

    p.fillRect(r, kBackground);
    p.setPen(QPen(kGrid, 0));
    const QColor text = pal.color(QPalette::WindowText);
    forEachTick(yr, yStep, [&](double v) {
        double y = r.bottom() - (v - yr.lo) * sy;
        p.setPen(QPen(kGrid, 0));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        p.setPen(text);
        p.drawText(QRectF(area.left(), y - fm.height(), labelWidth + 4, fm.height() * 2),
                   Qt::AlignRight | Qt::AlignVCenter, label(v, ya, yStep));
    });
    forEachTick(xr, xStep, [&](double v) {
        double x = r.left() + (v - xr.lo) * sx;
        p.setPen(QPen(kGrid, 0));
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
        p.setPen(QPen(kCursor, 0, Qt::DashLine));
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
