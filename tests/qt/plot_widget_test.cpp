#include "qt/plot_widget.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "qt/page_builder.h"
#include "qt/plot_export.h"
#include "qt/plot_painter.h"

using platform::Graph;

namespace {

constexpr QRgb kTrace = 0xFFFF00;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Draws the graph into a fresh image and counts the pixels in the trace colour.
int tracePixels(const Graph& g, QSize size = {800, 400}) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    qtui::PlotPainter painter;
    painter.paint(p, img.rect(), g, QPalette(), QFont());
    p.end();
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == kTrace ? 1 : 0;
    }
    return n;
}

TEST(PlotPainter, DrawsTracesAndSurvivesEmptyMissingAndHugeData) {
    Graph g;
    EXPECT_EQ(tracePixels(g), 0);  // axes and grid only

    std::vector<double> wave(55296);
    for (std::size_t i = 0; i < wave.size(); ++i) wave[i] = std::sin(i * 0.01);
    g.plotWaveform(wave, 0, 1.0 / 32, kTrace);
    const int full = tracePixels(g);
    EXPECT_GT(full, 800);  // at least one stroke per pixel column

    // Missing values break the line but the rest is drawn.
    for (std::size_t i = 1000; i < 20000; ++i) wave[i] = kNaN;
    g.deleteAll();
    g.plotWaveform(wave, 0, 1.0 / 32, kTrace);
    const int broken = tracePixels(g);
    EXPECT_GT(broken, 100);
    EXPECT_LT(broken, full);

    // All missing, huge and infinite values, and a fixed range far from the data.
    g.deleteAll();
    std::vector<double> bad{kNaN, kNaN, kNaN};
    g.plotWaveform(bad, 0, 1, kTrace);
    EXPECT_EQ(tracePixels(g), 0);
    std::vector<double> huge{1e300, -1e300, std::numeric_limits<double>::infinity(), 0, 1e-300};
    g.plotXY(huge, huge, kTrace);
    g.setYRange(-1e-9, 1e-9);
    g.setXRange(5, 5);  // an empty range
    tracePixels(g, {3, 3});
    EXPECT_GE(tracePixels(g), 0);
}

TEST(PlotPainter, RangesIgnoreMissingValuesAndFollowFixedAxes) {
    Graph g;
    std::vector<double> x{0, 1, 2, 3}, y{1, kNaN, -3, 5};
    g.plotXY(x, y, kTrace);
    auto yr = qtui::PlotPainter::yRange(g);
    EXPECT_LT(yr.lo, -3);
    EXPECT_GT(yr.hi, 5);
    EXPECT_LT(yr.hi, 6);
    auto xr = qtui::PlotPainter::xRange(g);
    EXPECT_EQ(xr.lo, 0);
    EXPECT_EQ(xr.hi, 3);
    g.setYRange(-2, 2);
    yr = qtui::PlotPainter::yRange(g);
    EXPECT_EQ(yr.lo, -2);
    EXPECT_EQ(yr.hi, 2);
    // Flat data still gets a drawable range.
    Graph flat;
    std::vector<double> same{4, 4, 4};
    flat.plotWaveform(same, 0, 1, kTrace);
    yr = qtui::PlotPainter::yRange(flat);
    EXPECT_LT(yr.lo, 4);
    EXPECT_GT(yr.hi, 4);
}

TEST(PlotPainter, ATraceOutsideTheFixedRangeIsClippedAway) {
    Graph g;
    std::vector<double> y(100, 50.0);
    g.plotWaveform(y, 0, 1, kTrace);
    g.setYRange(0, 10);
    EXPECT_EQ(tracePixels(g), 0);
    g.setYRange(0, 100);
    EXPECT_GT(tracePixels(g), 0);
}

TEST(PageBuilder, PairsPortAAndPortBCaptions) {
    EXPECT_EQ(qtui::pairedCaption("Staff A (m)", "Staff B (m)"), "Staff (m)");
    EXPECT_EQ(qtui::pairedCaption("Port A", "Port B"), "Port");
    EXPECT_TRUE(qtui::pairedCaption("Port A", "Output port").isEmpty());
    EXPECT_TRUE(qtui::pairedCaption("Alarm A", "Alarm A").isEmpty());
    EXPECT_TRUE(qtui::pairedCaption("Abc", "Bbc").isEmpty());  // not a word of its own
}

}  // namespace

namespace {

TEST(PlotPainter, DotsAndBarsAreDrawnToo) {
    for (auto style : {platform::PlotStyle::Dots, platform::PlotStyle::Bars}) {
        Graph g;
        std::vector<double> x{1, 2, 3, 4}, y{0.5, 2, 1, 3};
        g.plotXY(x, y, kTrace, style);
        EXPECT_GT(tracePixels(g), 4) << static_cast<int>(style);
    }
}

// Values changing in a few columns of a drawn graph redraw those columns only; the picture
// must then be the same as one drawn whole.
TEST(PlotWidget, RedrawingChangedColumnsGivesTheSamePictureAsAWholeRedraw) {
    Graph g;
    g.setXRange(0, 16);
    g.setYRange(0, 1);
    g.setLegend(true);
    g.setCursor(0, 4, 0.5);
    std::vector<double> x(4096), y(4096, kNaN);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = 16.0 * static_cast<double>(i) / 4096;
    for (std::size_t i = 0; i < 1000; ++i)
        y[i] = 0.5 + 0.3 * std::sin(static_cast<double>(i) * 0.05);
    const int h = g.plotXY(x, y, kTrace);
    g.setPlotLabel(h, "Device 4");
    qtui::PlotWidget partial(g);
    partial.resize(700, 300);
    partial.grab();
    for (int block = 0; block < 5; ++block) {
        std::vector<double> more(64);
        for (std::size_t i = 0; i < more.size(); ++i)
            more[i] = 0.2 + 0.01 * static_cast<double>(i + block);
        g.updatePlotY(h, 1000 + 64 * static_cast<std::size_t>(block), more);
        const QImage drawn = partial.grab().toImage();
        qtui::PlotWidget whole(g);
        whole.resize(700, 300);
        EXPECT_EQ(drawn, whole.grab().toImage()) << block;
    }
}

// A printed graph: the title block above, the graph fitted into the rest of the page.
TEST(PlotExport, APrintedPageCarriesTheTitleBlockAboveTheGraph) {
    Graph g;
    g.setLegend(true);
    std::vector<double> y(2000);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = std::sin(static_cast<double>(i) * 0.02);
    g.setPlotLabel(g.plotWaveform(y, 0, 0.25, kTrace), "Device 4");
    QImage page(1754, 1240, QImage::Format_RGB32);  // A4 across at 150 dpi
    page.fill(Qt::white);
    QPainter p(&page);
    const std::vector<std::string> block{"Station: file site000.csv", "Unit type: 0",
                                         "Devices: 4 (trace 1)", "Time span: ..."};
    qtui::drawGraphPage(p, page.rect().adjusted(40, 40, -40, -40), g, "fathomhost: Plot", block);
    p.end();
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        page.save(QString::fromUtf8(shots) + "/printed.png");
    }
    // Text in the top band, where the graph is not; the trace below it, across the page.
    auto inked = [&](int y0, int y1, QRgb color, bool any) {
        int n = 0;
        for (int yy = y0; yy < y1; ++yy) {
            for (int x = 0; x < page.width(); ++x) {
                const QRgb c = page.pixel(x, yy) & 0xFFFFFF;
                n += any ? c != 0xFFFFFF : c == color;
            }
        }
        return n;
    };
    EXPECT_GT(inked(40, 150, 0, true), 1000);
    EXPECT_EQ(inked(40, 150, kTrace, false), 0);
    EXPECT_GT(inked(300, 1200, kTrace, false), 1500);
}

}  // namespace
