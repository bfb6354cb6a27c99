#include "platform/graph.h"

#include <algorithm>
#include <cmath>

namespace platform {

int Graph::plotXY(std::span<const double> x, std::span<const double> y, Rgb color,
                  PlotStyle style) {
    Plot p;
    p.handle = nextHandle_++;
    std::size_t n = std::min(x.size(), y.size());
    p.x.assign(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
    p.y.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
    p.color = color;
    p.style = style;
    p.xSorted = std::is_sorted(p.x.begin(), p.x.end());
    plots_.push_back(std::move(p));
    changed();
    return plots_.back().handle;
}

int Graph::plotWaveform(std::span<const double> y, double x0, double dx, Rgb color,
                        PlotStyle style) {
    Plot p;
    p.handle = nextHandle_++;
    p.y.assign(y.begin(), y.end());
    p.x0 = x0;
    p.dx = dx;
    p.color = color;
    p.style = style;
    p.xSorted = dx >= 0;
    plots_.push_back(std::move(p));
    changed();
    return plots_.back().handle;
}

bool Graph::deletePlot(int handle) {
    Plot* p = find(handle);
    if (p == nullptr) return false;
    plots_.erase(plots_.begin() + (p - plots_.data()));
    changed();
    return true;
}

Graph::Plot* Graph::find(int handle) {
    auto it = std::find_if(plots_.begin(), plots_.end(),
                           [handle](const Plot& p) { return p.handle == handle; });
    return it == plots_.end() ? nullptr : &*it;
}

bool Graph::updatePlotY(int handle, std::size_t from, std::span<const double> y) {
    Plot* p = find(handle);
    if (p == nullptr) return false;
    if (from < p->y.size()) {
        const std::size_t n = std::min(y.size(), p->y.size() - from);
        double* at = p->y.data() + from;
        if (p->yKnown) {
            for (std::size_t i = 0; i < n; ++i) {
                // Overwriting the lowest or highest value leaves the extent unknown.
                if (at[i] == p->yMin || at[i] == p->yMax) p->yKnown = false;
            }
        }
        std::copy_n(y.begin(), n, at);
        if (p->yKnown) {
            for (std::size_t i = 0; i < n; ++i) {
                if (!std::isfinite(at[i])) continue;
                p->yMin = std::min(p->yMin, at[i]);
                p->yMax = std::max(p->yMax, at[i]);
            }
        }
        changedY(*p, from, from + n);
    }
    return true;
}

void Graph::Plot::extent() const {
    if (yKnown) return;
    double lo = INFINITY, hi = -INFINITY;
    for (double v : y) {
        if (!std::isfinite(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    // No finite value: an empty extent that any value written later will replace.
    yMin = lo;
    yMax = hi;
    yKnown = std::isfinite(lo);
}

void Graph::changedY(const Plot& p, std::size_t from, std::size_t to) {
    if (to <= from) return;
    double lo = 0, hi = 0;
    if (p.x.empty()) {
        lo = p.x0 + static_cast<double>(from) * p.dx;
        hi = p.x0 + static_cast<double>(to - 1) * p.dx;
    } else if (to <= p.x.size()) {
        lo = p.x[from];
        hi = p.x[to - 1];
    }
    if (!p.xSorted || !std::isfinite(lo) || !std::isfinite(hi)) {
        changed();
        return;
    }
    if (lo > hi) std::swap(lo, hi);
    // The line to the point before the first changed one moves too.
    if (from > 0) lo = p.x.empty() ? lo - std::abs(p.dx) : p.x[from - 1];
    if (damage_.xLo > damage_.xHi) {
        damage_.xLo = lo;
        damage_.xHi = hi;
    } else {
        damage_.xLo = std::min(damage_.xLo, lo);
        damage_.xHi = std::max(damage_.xHi, hi);
    }
    if (changed_) changed_();
}

bool Graph::setPlotLabel(int handle, std::string_view label) {
    Plot* p = find(handle);
    if (p == nullptr) return false;
    p->label = label;
    changed();
    return true;
}

void Graph::zoom(bool xAxis, Range shown, double at, double factor) {
    if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(at)) return;
    const Range r{at - (at - shown.lo) / factor, at + (shown.hi - at) / factor};
    // Stay where a range can still be drawn and labelled.
    const double span = r.hi - r.lo;
    if (!(span > 1e-9 * std::max(1.0, std::abs(at))) || span > 1e12) return;
    (xAxis ? view_.xRange : view_.yRange) = r;
    (xAxis ? view_.x : view_.y) = true;
    changed();
}

void Graph::pan(bool xAxis, Range shown, double delta) {
    if (!std::isfinite(delta) || delta == 0) return;
    (xAxis ? view_.xRange : view_.yRange) = {shown.lo + delta, shown.hi + delta};
    (xAxis ? view_.x : view_.y) = true;
    changed();
}

void Graph::resetView() {
    if (!view_.x && !view_.y) return;
    view_ = {};
    changed();
}

void Graph::setLegend(bool on) {
    legend_ = on;
    changed();
}

void Graph::setCursorPlot(std::string_view label) {
    cursorPlot_ = label;
    changed();
}

const Graph::Plot* Graph::snapTarget() const {
    const Plot* first = nullptr;
    for (const Plot& p : plots_) {
        if (p.label.empty()) continue;
        if (p.label == cursorPlot_) return &p;
        if (first == nullptr) first = &p;
    }
    return first;
}

std::pair<double, double> Graph::snapCursor(int index, double x, double y) {
    const Plot* p = snapTarget();
    std::pair<double, double> at{x, y};
    if (p != nullptr && !p->y.empty()) {
        const std::size_t n = p->x.empty() ? p->y.size() : std::min(p->x.size(), p->y.size());
        auto xOf = [p](std::size_t i) {
            return p->x.empty() ? p->x0 + static_cast<double>(i) * p->dx : p->x[i];
        };
        // The nearest point with a value, looking outwards from x.
        std::size_t i = 0;
        if (p->x.empty()) {
            const double k = p->dx != 0 ? std::round((x - p->x0) / p->dx) : 0;
            i = static_cast<std::size_t>(std::clamp(k, 0.0, static_cast<double>(n - 1)));
        } else if (p->xSorted) {
            i = static_cast<std::size_t>(
                std::lower_bound(p->x.begin(), p->x.begin() + static_cast<std::ptrdiff_t>(n), x) -
                p->x.begin());
            if (i == n || (i > 0 && x - p->x[i - 1] < p->x[i] - x)) i = i == 0 ? 0 : i - 1;
        }
        for (std::size_t d = 0; d < n; ++d) {
            const bool below = d <= i && std::isfinite(p->y[i - d]);
            const bool above = i + d < n && std::isfinite(p->y[i + d]);
            if (!below && !above) continue;
            std::size_t k = below ? i - d : i + d;
            if (below && above && std::abs(xOf(i + d) - x) < std::abs(xOf(i - d) - x)) k = i + d;
            at = {xOf(k), p->y[k]};
            break;
        }
    }
    setCursor(index, at.first, at.second);
    return at;
}

Graph::Damage Graph::takeDamage() {
    Damage d = damage_;
    damage_ = {.all = false, .xLo = 1, .xHi = 0};
    return d;
}

bool Graph::fillPlotY(int handle, double y) {
    Plot* p = find(handle);
    if (p == nullptr) return false;
    std::fill(p->y.begin(), p->y.end(), y);
    p->yKnown = false;
    changed();
    return true;
}

void Graph::setColors(const Colors& c) {
    colors_ = c;
    changed();
}

void Graph::deleteAll() {
    if (plots_.empty()) return;
    plots_.clear();
    changed();
}

void Graph::setXRange(double lo, double hi) {
    x_.min = lo;
    x_.max = hi;
    x_.autoscale = false;
    changed();
}

void Graph::setYRange(double lo, double hi) {
    y_.min = lo;
    y_.max = hi;
    y_.autoscale = false;
    changed();
}

void Graph::setAxisGainOffset(bool xAxis, double gain, double offset) {
    Axis& a = xAxis ? x_ : y_;
    a.gain = gain;
    a.offset = offset;
    changed();
}

void Graph::setAutoscale(bool xAxis, bool on) {
    (xAxis ? x_ : y_).autoscale = on;
    changed();
}

void Graph::setCursor(int index, double x, double y) {
    if (index < 0) return;
    if (static_cast<std::size_t>(index) >= cursors_.size()) {
        cursors_.resize(static_cast<std::size_t>(index) + 1);
    }
    cursors_[static_cast<std::size_t>(index)] = {x, y};
    changed();
}

std::pair<double, double> Graph::cursor(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= cursors_.size()) return {0, 0};
    return cursors_[static_cast<std::size_t>(index)];
}

}  // namespace platform
