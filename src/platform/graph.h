#pragma once
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rgb.h"

namespace platform {

enum class PlotStyle : std::uint8_t { Line, Dots, Bars };

// The model of one graph control: plots of x/y arrays, axis ranges with gain and offset, and
// cursors. The chart and the analysis write to it; the plot widget draws it.
class Graph {
public:
    struct Plot {
        int handle = 0;
        std::vector<double> x;  // empty for waveforms: x = x0 + i * dx
        std::vector<double> y;
        double x0 = 0, dx = 1;
        Rgb color = 0xFFFF00;
        PlotStyle style = PlotStyle::Line;
        std::string label;     // legend text; a plot without one is not listed
        bool xSorted = false;  // x never decreases (waveforms always): columns found by search
        // Lowest and highest finite y, kept as values change so an autoscaled axis need not
        // scan every point on every redraw; recomputed when an extreme was overwritten.
        mutable double yMin = 0, yMax = 0;
        mutable bool yKnown = false;
        void extent() const;
    };
    // A range of one axis.
    struct Range {
        double lo = 0, hi = 1;
    };
    // The operator's view: zoom and pan of either axis over what the axis would show by
    // itself. It changes only what is drawn, never the plots, the axes' own ranges or the
    // cursors.
    struct View {
        bool x = false, y = false;  // which axes are zoomed or panned
        Range xRange, yRange;
    };
    // Where values changed since the views last drew: an x range (data units) when only the
    // y values of plots in it changed, or everything.
    struct Damage {
        bool all = false;
        double xLo = 0, xHi = 0;  // empty when xLo > xHi and !all
        bool any() const { return all || xLo <= xHi; }
    };
    struct Axis {
        double min = 0, max = 1;
        bool autoscale = true;
        double gain = 1, offset = 0;  // displayed label = value * gain + offset
        std::string_view name;
        std::string_view unit;  // of the displayed values, for the cursors' read-outs
        // Values at or below this mark "nothing here" (a spectrum bin without power): they are
        // drawn, but do not stretch an autoscaled range down to them.
        double floor = -std::numeric_limits<double>::infinity();
    };

    // Returns the plot's handle (> 0).
    int plotXY(std::span<const double> x, std::span<const double> y, Rgb color,
               PlotStyle style = PlotStyle::Line);
    int plotWaveform(std::span<const double> y, double x0, double dx, Rgb color,
                     PlotStyle style = PlotStyle::Line);
    bool deletePlot(int handle);
    void deleteAll();
    // Overwrites y values of a plot from index `from` in place and notifies once, so a trace
    // that grows by a few points per message costs neither a new plot nor an allocation.
    // Values past the plot's end are dropped. False when the handle is unknown.
    bool updatePlotY(int handle, std::size_t from, std::span<const double> y);
    // Sets every y value of a plot (NaN clears the plot's line but keeps its x values).
    bool fillPlotY(int handle, double y);
    const std::vector<Plot>& plots() const { return plots_; }
    // The legend text of a plot (the chart names each trace's device).
    bool setPlotLabel(int handle, std::string_view label);

    // Zoom and pan. `shown` is the range drawn now on that axis; zoom keeps the value `at`
    // where it is and divides the span by factor (above 1 zooms in); pan moves by delta.
    const View& view() const { return view_; }
    void zoom(bool xAxis, Range shown, double at, double factor);
    void pan(bool xAxis, Range shown, double delta);
    void resetView();

    // The legend, and the plot the cursors snap to (by its label, so it survives the plot
    // being drawn anew): none chosen means the first plot with a label.
    bool legend() const { return legend_; }
    void setLegend(bool on);
    const std::string& cursorPlot() const { return cursorPlot_; }
    void setCursorPlot(std::string_view label);
    // Moves cursor `index` to the point of the cursor plot nearest x that has a value, or to
    // (x, y) unchanged when no plot has values. Returns the position taken.
    std::pair<double, double> snapCursor(int index, double x, double y);
    // The plot the cursors follow, or null.
    const Plot* snapTarget() const;

    // What changed since the views last drew, and (take) forgets it.
    const Damage& damage() const { return damage_; }
    Damage takeDamage();

    Axis& xAxis() { return x_; }
    Axis& yAxis() { return y_; }
    const Axis& xAxis() const { return x_; }
    const Axis& yAxis() const { return y_; }
    void setXRange(double lo, double hi);
    void setYRange(double lo, double hi);
    void setAxisGainOffset(bool xAxis, double gain, double offset);
    // An axis that follows the data (true) or keeps its range (false).
    void setAutoscale(bool xAxis, bool on);

    // Colours of the plot area; the default is dark, a chart with dark traces asks for light.
    struct Colors {
        Rgb background = 0x12161C;
        Rgb grid = 0x2C3440;
        Rgb cursor = 0xF0F0F0;
    };
    const Colors& colors() const { return colors_; }
    void setColors(const Colors& c);

    void setCursor(int index, double x, double y);
    std::pair<double, double> cursor(int index) const;
    int cursorCount() const { return static_cast<int>(cursors_.size()); }

    // Set by the panel so every change reaches the views.
    void setChangeHook(std::function<void()> hook) { changed_ = std::move(hook); }

private:
    void changed() {
        damage_.all = true;
        if (changed_) changed_();
    }
    // Only the y values of a plot between two indices changed.
    void changedY(const Plot& p, std::size_t from, std::size_t to);
    std::vector<Plot> plots_;
    Plot* find(int handle);
    Axis x_, y_;
    Colors colors_;
    std::vector<std::pair<double, double>> cursors_;
    int nextHandle_ = 1;
    std::function<void()> changed_;
    View view_;
    bool legend_ = false;
    std::string cursorPlot_;
    Damage damage_{.all = true};
};

}  // namespace platform
