// The graph model's view, damage and kept extent: what the chart's redraw relies on.
#include "platform/graph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using platform::Graph;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Graph, KeptExtentFollowsValuesWrittenAndOverwritten) {
    Graph g;
    std::vector<double> x{0, 1, 2, 3, 4}, y{kNaN, kNaN, kNaN, kNaN, kNaN};
    const int h = g.plotXY(x, y, 0xFF0000);
    const Graph::Plot& p = g.plots()[0];
    p.extent();
    EXPECT_FALSE(p.yKnown);  // nothing to scale to yet
    const std::vector<double> a{2.0, 5.0};
    g.updatePlotY(h, 0, a);
    p.extent();
    EXPECT_EQ(p.yMin, 2.0);
    EXPECT_EQ(p.yMax, 5.0);
    // Writing below the lowest extends it at once.
    const std::vector<double> b{1.0};
    g.updatePlotY(h, 2, b);
    EXPECT_TRUE(p.yKnown);
    EXPECT_EQ(p.yMin, 1.0);
    // Overwriting the highest value: it must not linger as the top of the axis.
    const std::vector<double> c{3.0};
    g.updatePlotY(h, 1, c);
    p.extent();
    EXPECT_EQ(p.yMax, 3.0);
    g.fillPlotY(h, kNaN);
    p.extent();
    EXPECT_FALSE(p.yKnown);
}

TEST(Graph, ValuesChangedDamageTheirColumnsOnlyEverythingElseTheWhole) {
    Graph g;
    std::vector<double> x(100), y(100, 0.0);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = 0.5 * static_cast<double>(i);
    const int h = g.plotXY(x, y, 0xFF0000);
    EXPECT_TRUE(g.takeDamage().all);
    EXPECT_FALSE(g.takeDamage().any());
    const std::vector<double> v{1, 2, 3};
    g.updatePlotY(h, 10, v);
    const std::vector<double> w{4};
    g.updatePlotY(h, 40, w);
    Graph::Damage d = g.takeDamage();
    EXPECT_FALSE(d.all);
    // From the point before the first changed (its joining line moves) to the last.
    EXPECT_DOUBLE_EQ(d.xLo, 4.5);
    EXPECT_DOUBLE_EQ(d.xHi, 20.0);
    g.setCursor(0, 3, 0);
    EXPECT_TRUE(g.takeDamage().all);
}

TEST(Graph, ZoomKeepsThePointerPlacePanMovesAndCursorsSnapToTheChosenPlot) {
    Graph g;
    g.zoom(true, {0, 16}, 4, 2);
    EXPECT_TRUE(g.view().x);
    EXPECT_DOUBLE_EQ(g.view().xRange.lo, 2);
    EXPECT_DOUBLE_EQ(g.view().xRange.hi, 10);
    g.pan(false, {0, 1}, 0.25);
    EXPECT_DOUBLE_EQ(g.view().yRange.lo, 0.25);
    g.zoom(true, {0, 16}, 4, 1e20);  // no range left to draw: refused
    EXPECT_DOUBLE_EQ(g.view().xRange.hi, 10);
    g.resetView();
    EXPECT_FALSE(g.view().x || g.view().y);

    std::vector<double> x{0, 1, 2, 3, 4}, first{kNaN, kNaN, 0.2, 0.3, kNaN}, second{1, 1, 1, 1, 1};
    g.setPlotLabel(g.plotXY(x, first, 0xFF0000), "Device 4");
    g.setPlotLabel(g.plotXY(x, second, 0x0000FF), "Device 9");
    // The first labelled plot until another is chosen; a point without a value is passed
    // over for the nearest one that has one.
    EXPECT_EQ(g.snapCursor(0, 0.6, 0.9), (std::pair{2.0, 0.2}));
    EXPECT_EQ(g.snapCursor(1, 3.9, 0.9), (std::pair{3.0, 0.3}));
    g.setCursorPlot("Device 9");
    EXPECT_EQ(g.snapCursor(1, 3.9, 0.5), (std::pair{4.0, 1.0}));
    EXPECT_EQ(g.cursor(1), (std::pair{4.0, 1.0}));
}

}  // namespace
