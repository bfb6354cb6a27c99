// Full redraw of the live chart: 8 traces of 55,296 points into a 1600 x 600 image.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

#include "platform/graph.h"
#include "qt/plot_painter.h"

namespace {

// Full redraws of the graph into a 1600 x 600 image, as often as the benchmark asks.
void redrawLoop(benchmark::State& state, const platform::Graph& graph) {
    QImage image(1600, 600, QImage::Format_RGB32);
    qtui::PlotPainter painter;
    const QFont font;
    const QPalette palette;
    for (auto _ : state) {
        QPainter p(&image);
        painter.paint(p, image.rect(), graph, palette, font);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PlotRedraw8x55296(benchmark::State& state) {
    platform::Graph graph;
    std::vector<double> y(55296);
    for (int t = 0; t < 8; ++t) {
        for (std::size_t i = 0; i < y.size(); ++i) {
            y[i] = t + 0.4 * std::sin(i * 0.013 + t) + 0.05 * std::sin(i * 0.71);
        }
        graph.plotWaveform(y, 0, 1.0 / 32, 0x2060FF + 0x1F0000 * static_cast<unsigned>(t));
    }
    redrawLoop(state, graph);
}
BENCHMARK(BM_PlotRedraw8x55296)->Unit(benchmark::kMillisecond);

// The chart draws its traces as X-Y plots (x from the trace's own positions), full and
// without gaps: the slowest case of the per-point path.
void BM_ChartRedraw8x55296XY(benchmark::State& state) {
    platform::Graph graph;
    graph.setXRange(0, 16);
    graph.setYRange(0, 1);
    std::vector<double> x(55296), y(55296);
    const float dx = 16.0f / 55296.0f;
    float sum = 0;
    for (double& v : x) {
        v = sum;
        sum += dx;
    }
    for (int t = 0; t < 8; ++t) {
        for (std::size_t i = 0; i < y.size(); ++i) {
            y[i] = 0.1 + 0.1 * t + 0.04 * std::sin(i * 0.013 + t) + 0.005 * std::sin(i * 0.71);
        }
        graph.plotXY(x, y, 0x2060FF + 0x1F0000 * static_cast<unsigned>(t));
    }
    redrawLoop(state, graph);
}
BENCHMARK(BM_ChartRedraw8x55296XY)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application; the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
