#include "platform/graph.h"

#include <algorithm>

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
        std::copy_n(y.begin(), n, p->y.begin() + static_cast<std::ptrdiff_t>(from));
        changed();
    }
    return true;
}

bool Graph::fillPlotY(int handle, double y) {
    Plot* p = find(handle);
    if (p == nullptr) return false;
    std::fill(p->y.begin(), p->y.end(), y);
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
