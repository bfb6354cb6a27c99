// Redraws of the live chart, 8 traces of 55,296 points, 1600 x 600: whole, with fixed and with
// autoscaled axes (budget 8 ms), and the CPU the window spends while 8 full traces stream
// live (budget 5 % of one core).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <ctime>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/graph.h"
#include "qt/plot_painter.h"
#include "qt/plot_widget.h"

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

// The chart's traces as X-Y plots (x from the trace's own positions), full and without gaps;
// dressed as the plot page draws them: labelled in the legend, with two cursors.
void chartGraph(platform::Graph& graph, std::vector<int>& handles, bool dressed) {
    graph.setXRange(0, 16);
    graph.setYRange(0, 1);
    graph.setLegend(dressed);
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
        handles.push_back(graph.plotXY(x, y, 0x2060FF + 0x1F0000 * static_cast<unsigned>(t)));
        if (dressed) graph.setPlotLabel(handles.back(), "Device " + std::to_string(t + 1));
    }
    if (!dressed) return;
    graph.setCursor(0, 3.2, 0.3);
    graph.setCursor(1, 10.7, 0.5);
}

void BM_ChartRedraw8x55296XY(benchmark::State& state) {
    platform::Graph graph;
    std::vector<int> handles;
    chartGraph(graph, handles, false);
    redrawLoop(state, graph);
}
BENCHMARK(BM_ChartRedraw8x55296XY)->Unit(benchmark::kMillisecond);

// The same with the level axis following the data (budget 8 ms).
void BM_ChartRedrawAutoscaled(benchmark::State& state) {
    platform::Graph graph;
    std::vector<int> handles;
    chartGraph(graph, handles, true);
    graph.setAutoscale(false, true);
    redrawLoop(state, graph);
}
BENCHMARK(BM_ChartRedrawAutoscaled)->Unit(benchmark::kMillisecond);

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One simulated second of 8 units streaming into full traces: each unit's burst (32 values at
// 32 samples a second, arg 0) or continuous samples (arg 1: 16 a second each, shown at
// 30 frames a second) written where the chart writes them, and the window shown as the
// binder shows it: at most one repaint per frame, of what changed. Reported as the share of
// one core the window spends per second of stream.
void BM_StreamingWindowCpu(benchmark::State& state) {
    platform::Graph graph;
    std::vector<int> handles;
    chartGraph(graph, handles, true);
    graph.setAutoscale(false, true);
    qtui::PlotWidget widget(graph);
    widget.resize(1600, 600);
    widget.show();
    QApplication::processEvents();
    const bool continuous = state.range(0) != 0;
    const int frames = continuous ? 30 : 8;
    const int perFrame = continuous ? 16 * 8 / frames + 1 : 32;
    std::vector<double> values(static_cast<std::size_t>(perFrame));
    std::size_t at = 1000;
    double busy = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        for (int f = 0; f < frames; ++f) {
            const std::size_t trace = static_cast<std::size_t>(f) % handles.size();
            for (std::size_t i = 0; i < values.size(); ++i) {
                values[i] = 0.1 + 0.1 * double(trace) + 0.04 * std::sin(double(at + i) * 0.013);
            }
            graph.updatePlotY(handles[trace], at, values);
            if (trace + 1 == handles.size()) at = (at + values.size()) % 50000;
            widget.refresh();
            QApplication::processEvents();
        }
        busy += cpuSeconds() - start;
    }
    state.counters["core_percent"] =
        benchmark::Counter(100.0 * busy / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_StreamingWindowCpu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application; the offscreen platform needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
