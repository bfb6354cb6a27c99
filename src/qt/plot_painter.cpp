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

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A value as read out beside a cursor: after the axis's gain and offset, with its unit.
QString readOut(double v, const Graph::Axis& a, bool difference = false) {
    const double shown = v * a.gain + (difference ? 0 : a.offset);
    QString s = QString::number(shown, 'g', 6);
    if (!a.unit.empty()) s += ' ' + text(a.unit);
    return s;
}

// Points of a plot: index range [from, to) whose x lies in [lo, hi], for plots whose x never
// decreases; every point otherwise.
struct Span {
    std::size_t from, to;
};
Span within(const Graph::Plot& plot, double lo, double hi) {
    const std::size_t n = plot.x.empty() ? plot.y.size() : std::min(plot.x.size(), plot.y.size());
    if (!plot.xSorted) return {0, n};
    if (plot.x.empty()) {
        if (!(plot.dx > 0)) return {0, n};
        const double first = std::clamp(std::ceil((lo - plot.x0) / plot.dx), 0.0, double(n));
        const double last = std::clamp(std::floor((hi - plot.x0) / plot.dx) + 1, first, double(n));
        return {static_cast<std::size_t>(first), static_cast<std::size_t>(last)};
    }
    const auto b = plot.x.begin(), e = plot.x.begin() + static_cast<std::ptrdiff_t>(n);
    const auto first = std::lower_bound(b, e, lo), last = std::upper_bound(first, e, hi);
    return {static_cast<std::size_t>(first - b), static_cast<std::size_t>(last - b)};
}

}  // namespace

PlotPainter::Range PlotPainter::xRange(const Graph& graph) {
    const Graph::Axis& a = graph.xAxis();
    Range fallback = sane(a.min, a.max, {0, 1});
    if (graph.view().x) return sane(graph.view().xRange.lo, graph.view().xRange.hi, fallback);
    if (!a.autoscale) return fallback;
    double lo = INFINITY, hi = -INFINITY;
    for (const Graph::Plot& plot : graph.plots()) {
        if (plot.y.empty()) continue;
        if (plot.x.empty()) {
            double e = plot.x0 + static_cast<double>(plot.y.size() - 1) * plot.dx;
            lo = std::min({lo, plot.x0, e});
            hi = std::max({hi, plot.x0, e});
        } else if (plot.xSorted) {
            lo = std::min(lo, plot.x.front());
            hi = std::max(hi, plot.x.back());
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
    if (graph.view().y) return sane(graph.view().yRange.lo, graph.view().yRange.hi, fallback);
    if (!a.autoscale) return fallback;
    double lo = INFINITY, hi = -INFINITY;
    const bool zoomed = graph.view().x;
    const Range xr = zoomed ? xRange(graph) : Range{};
    for (const Graph::Plot& plot : graph.plots()) {
        if (!zoomed && std::isinf(a.floor)) {
            // The extent kept by the model: no scan of every point on every redraw.
            plot.extent();
            if (!plot.yKnown) continue;
            lo = std::min(lo, plot.yMin);
            hi = std::max(hi, plot.yMax);
            continue;
        }
        const Span s = zoomed ? within(plot, xr.lo, xr.hi) : Span{0, plot.y.size()};
        for (std::size_t i = s.from; i < s.to; ++i) {
            const double y = plot.y[i];
            if (!std::isfinite(y) || y <= a.floor) continue;
            if (zoomed && !plot.xSorted && !plot.x.empty() &&
                (plot.x[i] < xr.lo || plot.x[i] > xr.hi))
                continue;
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
    ColumnTracer(std::vector<QLineF>& lines, std::vector<QPointF>& points,
                 platform::PlotStyle style, double base)
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
long columnOf(double px) {
    return static_cast<long>(px + kPixelLimit) - static_cast<long>(kPixelLimit);
}

}  // namespace

void PlotPainter::plotSegments(const Graph::Plot& plot, const QRectF& r, Range xr, Range yr,
                               const QRectF* columns) {
    lines_.clear();
    points_.clear();
    const double sx = r.width() / (xr.hi - xr.lo);
    const double sy = r.height() / (yr.hi - yr.lo);
    ColumnTracer tracer(lines_, points_, plot.style, clampPx(r.bottom() + yr.lo * sy));
    auto toPy = [&](double y) { return r.bottom() - (y - yr.lo) * sy; };
    auto toX = [&](double px) { return xr.lo + (px - r.left()) / sx; };

    const bool wave = plot.x.empty();
    const std::size_t n = wave ? plot.y.size() : std::min(plot.x.size(), plot.y.size());
    const double a = r.left() + (plot.x0 - xr.lo) * sx;  // waveform: px = a + i * b
    const double b = plot.dx * sx;
    auto pxOf = [&](std::size_t i) {
        return wave ? a + double(i) * b : r.left() + (plot.x[i] - xr.lo) * sx;
    };
    // The first point at or right of pixel px.
    auto indexAt = [&](double px) -> std::size_t {
        if (wave)
            return static_cast<std::size_t>(std::clamp(std::ceil((px - a) / b), 0.0, double(n)));
        const auto e = plot.x.begin() + static_cast<std::ptrdiff_t>(n);
        return static_cast<std::size_t>(std::lower_bound(plot.x.begin(), e, toX(px)) -
                                        plot.x.begin());
    };
    const double left = (columns ? columns->left() : r.left()) - 1;
    const double right = (columns ? columns->right() : r.right()) + 2;
    const bool searchable = plot.xSorted && (wave ? b > 0 && std::isfinite(a) : sx > 0);
    std::size_t i = 0, end = n;
    if (searchable) {
        // One point before the first column and one after the last, for the joining lines.
        i = indexAt(left);
        i = i > 0 ? i - 1 : 0;
        end = std::min(n, indexAt(right) + 1);
    }
    if (searchable && double(end - i) > 2 * (right - left)) {
        // Many points per pixel column: find each column's points by index and reduce them
        // in a tight loop; only columns holding a missing value go point by point.
        const double* y = plot.y.data();
        while (i < end) {
            const long c = columnOf(clampPx(pxOf(i)));
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
                    if (std::isfinite(y[k]))
                        tracer.point(c, toPy(y[k]));
                    else
                        tracer.gap();
                }
            }
            i = stop;
        }
        return;
    }
    for (; i < end; ++i) {
        const double x = wave ? plot.x0 + double(i) * plot.dx : plot.x[i];
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

std::string PlotPainter::legendAt(QPointF px) const {
    for (const auto& [rect, name] : legend_) {
        if (rect.contains(px)) return name;
    }
    return {};
}

QRectF PlotPainter::columnsFor(double x0, double x1) const {
    if (lastArea_.isEmpty()) return {};
    const double a = std::max(lastArea_.left(), std::floor(toPixelX(std::min(x0, x1))) - 1);
    const double b = std::min(lastArea_.right() + 1, std::ceil(toPixelX(std::max(x0, x1))) + 2);
    if (!(b > a)) return {};
    return QRectF(a, lastArea_.top(), b - a, lastArea_.height() + 1);
}

bool PlotPainter::sameFrame(const Graph& graph, const QRect& area) const {
    if (area != lastOuter_ || lastArea_.isEmpty()) return false;
    const Range x = xRange(graph), y = yRange(graph);
    return x.lo == lastX_.lo && x.hi == lastX_.hi && y.lo == lastY_.lo && y.hi == lastY_.hi;
}

void PlotPainter::drawLegend(QPainter& p, const Graph& graph, const QFontMetrics& fm) {
    legend_.clear();
    if (!graph.legend()) return;
    const Graph::Plot* target = graph.snapTarget();
    std::vector<const Graph::Plot*> shown;
    int width = 0;
    for (const Graph::Plot& plot : graph.plots()) {
        if (plot.label.empty()) continue;
        shown.push_back(&plot);
        width = std::max(width, fm.horizontalAdvance(text(plot.label)));
    }
    if (shown.empty()) return;
    const double line = fm.height() + 2, swatch = fm.height() * 1.5;
    const double w = width + swatch + 24, h = line * static_cast<double>(shown.size()) + 6;
    const QRectF box(lastArea_.right() - w - 6, lastArea_.top() + 6, w, h);
    p.setPen(QPen(kBorder, 0));
    p.setBrush(QColor(255, 255, 255, 225));
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    for (std::size_t k = 0; k < shown.size(); ++k) {
        const QRectF row(box.left() + 3, box.top() + 3 + line * static_cast<double>(k), w - 6,
                         line);
        const double mid = row.center().y();
        p.setPen(QPen(rgb(shown[k]->color), 3));
        p.drawLine(QPointF(row.left() + 10, mid), QPointF(row.left() + 10 + swatch, mid));
        // The plot the cursors follow is marked.
        p.setPen(QColor(0x20, 0x20, 0x20));
        if (shown[k] == target)
            p.drawText(QPointF(row.left(), mid + fm.ascent() / 2.0 - 1), QStringLiteral("\u25B8"));
        p.drawText(QPointF(row.left() + 16 + swatch, mid + fm.ascent() / 2.0 - 1),
                   text(shown[k]->label));
        legend_.emplace_back(row, shown[k]->label);
    }
}

void PlotPainter::drawCursors(QPainter& p, const Graph& graph, const QFontMetrics& fm) {
    const Graph::Axis &xa = graph.xAxis(), &ya = graph.yAxis();
    const QRectF& r = lastArea_;
    const double sx = r.width() / (lastX_.hi - lastX_.lo),
                 sy = r.height() / (lastY_.hi - lastY_.lo);
    const QColor cursorColor = rgb(graph.colors().cursor);
    int shown = 0;
    for (int i = 0; i < std::min(graph.cursorCount(), 2); ++i) {
        auto [cx, cy] = graph.cursor(i);
        if (!std::isfinite(cx) || !std::isfinite(cy)) continue;
        ++shown;
        const QPointF c(clampPx(r.left() + (cx - lastX_.lo) * sx),
                        clampPx(r.bottom() - (cy - lastY_.lo) * sy));
        p.setPen(QPen(cursorColor, 0, Qt::DashLine));
        p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
        p.drawLine(QPointF(r.left(), c.y()), QPointF(r.right(), c.y()));
        p.setPen(QPen(cursorColor, 0));
        p.drawRect(QRectF(c.x() - 3, c.y() - 3, 6, 6));
        const QString name = i == 0 ? QStringLiteral("C1") : QStringLiteral("C2");
        p.drawText(QPointF(c.x() + 4, r.top() + fm.ascent() + 2), name);
        p.drawText(c + QPointF(6, -6), name + ": " + readOut(cx, xa) + ", " + readOut(cy, ya));
    }
    if (shown == 2) {
        const auto [x1, y1] = graph.cursor(0);
        const auto [x2, y2] = graph.cursor(1);
        const QString d = QStringLiteral("C2 \u2212 C1: ") + readOut(x2 - x1, xa, true) + ", " +
                          readOut(y2 - y1, ya, true);
        const QRectF box(r.left() + 4, r.top() + 4, fm.horizontalAdvance(d) + 8, fm.height() + 4);
        p.fillRect(box, QColor(255, 255, 255, 210));
        p.setPen(QColor(0x20, 0x20, 0x20));
        p.drawText(box, Qt::AlignCenter, d);
    }
}

void PlotPainter::paint(QPainter& p, const QRect& area, const Graph& graph, const QPalette& pal,
                        const QFont& font, const QRectF* columns) {
    p.save();
    p.setFont(font);
    const QFontMetrics fm(font);
    const Range xr = xRange(graph), yr = yRange(graph);
    const Graph::Axis &xa = graph.xAxis(), &ya = graph.yAxis();

    const int rows = std::max(2, area.height() / (fm.height() * 3));
    const int cols =
        std::max(2, area.width() / (fm.horizontalAdvance(QStringLiteral("00000.00")) * 2));
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
        lastArea_ = {};
        p.restore();
        return;
    }
    const QRectF r(left, top, right - left, bottom - top);
    lastOuter_ = area;
    lastArea_ = r;
    lastX_ = xr;
    lastY_ = yr;
    const QColor grid = rgb(graph.colors().grid);
    const double sx = r.width() / (xr.hi - xr.lo), sy = r.height() / (yr.hi - yr.lo);
    if (columns != nullptr) p.setClipRect(*columns);

    p.fillRect(r, rgb(graph.colors().background));
    p.setPen(QPen(grid, 0));
    const QColor textColor = pal.color(QPalette::WindowText);
    forEachTick(yr, yStep, [&](double v) {
        double y = r.bottom() - (v - yr.lo) * sy;
        p.setPen(QPen(grid, 0));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        if (columns != nullptr) return;
        p.setPen(textColor);
        p.drawText(QRectF(area.left(), y - fm.height(), labelWidth + 4, fm.height() * 2),
                   Qt::AlignRight | Qt::AlignVCenter, label(v, ya, yStep));
    });
    forEachTick(xr, xStep, [&](double v) {
        double x = r.left() + (v - xr.lo) * sx;
        p.setPen(QPen(grid, 0));
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        if (columns != nullptr) return;
        p.setPen(textColor);
        QString s = label(v, xa, xStep);
        int w = fm.horizontalAdvance(s);
        p.drawText(QPointF(x - w / 2.0, r.bottom() + 4 + fm.ascent()), s);
    });
    if (columns == nullptr) {
        p.setPen(textColor);
        if (yName) p.drawText(QPointF(area.left() + 2, area.top() + fm.ascent()), text(ya.name));
        if (xName) {
            QString s = text(xa.name);
            p.drawText(QPointF(r.center().x() - fm.horizontalAdvance(s) / 2.0,
                               area.bottom() - fm.descent()),
                       s);
        }
    }

    p.setClipRect(columns != nullptr ? columns->intersected(r.adjusted(0, 0, 1, 1))
                                     : r.adjusted(0, 0, 1, 1));
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const Graph::Plot& plot : graph.plots()) {
        plotSegments(plot, r, xr, yr, columns);
        QColor c(static_cast<QRgb>(plot.color));
        p.setPen(QPen(c, plot.style == platform::PlotStyle::Dots ? 2 : 0));
        if (!lines_.empty()) p.drawLines(lines_.data(), static_cast<int>(lines_.size()));
        if (!points_.empty()) p.drawPoints(points_.data(), static_cast<int>(points_.size()));
    }
    drawCursors(p, graph, fm);
    drawLegend(p, graph, fm);
    p.setClipping(false);
    if (columns != nullptr) p.setClipRect(*columns);
    p.setPen(QPen(kBorder, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.restore();
}

}  // namespace qtui
