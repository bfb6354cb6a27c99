// A recording of the simulated radio network played back in the window: what the chart draws.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QScrollArea>
#include <QTabWidget>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "app/host.h"
#include "chart/recorded_time.h"
#include "live/live_rig.h"
#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "qt/plot_export.h"
#include "qt/plot_widget.h"
#include "sim/sim_network.h"
#include "sim/sim_serial_ports.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"

namespace {

using platform::Ctl;
using platform::Event;
using platform::FileSelection;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct PlaybackWindow : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeClock clock;
    sim::SimSerialPorts ports;
    std::unique_ptr<app::Host> host;
    std::unique_ptr<qtui::MainWindow> window;
    live_test::TempDir dir;
    double elapsedMs = 0;

    void SetUp() override {
        const int port = ports.add(sim::makeRadioNetwork(kStart, std::vector<int>{0, 0, 0, 0}));
        host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
        window = std::make_unique<qtui::MainWindow>(panel);
        host->Initialize();
        host->chooseUnitType(0);
        commit(Ctl::PortARing, port);
    }
    void commit(Ctl id, double v) {
        panel.setValue(id, v);
        panel.raise(id, Event::Commit);
    }
    // The instruments and the program's radio timer, in 50 ms steps.
    void run(double seconds) {
        for (double t = 0; t < seconds * 1000; t += 50) {
            ports.advance(50);
            clock.advance(0.05);
            elapsedMs += 50;
            if (static_cast<long long>(elapsedMs) % panel.timerInterval(Ctl::DeviceDisplayTimer) ==
                0)
                panel.raise(Ctl::DeviceDisplayTimer, Event::TimerTick);
        }
    }
};

int pixelsOf(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == color;
    }
    return n;
}

// Playback passed its core tests once while the window drew almost nothing: the chart's own
// drawing of a played file is checked here, trace by trace, by colour.
TEST_F(PlaybackWindow, APlayedRecordingDrawsAllFourTraces) {
    run(10);
    commit(Ctl::RawPlotXAsis, 5);  // 80 s
    for (int t = 0; t < 4; ++t) commit(platform::ctlAt(Ctl::TraceSelect1, t), t + 1);
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("run.csv")});
    panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    run(60);
    panel.raise(Ctl::MenuStopOutputData, Event::Commit);

    commit(Ctl::PlotSourceSelect, 1);
    window->resize(1280, 800);
    window->show();
    window->binder().flushNow();
    QWidget* chart = window->binder().widget(Ctl::ChartGraph);
    ASSERT_NE(chart, nullptr);
    const QImage empty = chart->grab().toImage();  // the same axes and captions, no trace
    dialogs.fileReplies.push_back({FileSelection::Status::Existing, dir.file("run000.csv")});
    panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
    // Traces chosen while live were let go at the switch to the file (no unit was listed
    // then), so the traces take the file's units as they come.
    commit(Ctl::RawStartStop, 1);
    for (int i = 0; i < 200 && host->chartCtr().PlotRun != 0; ++i)
        panel.raise(Ctl::ReadFileTimer, Event::TimerTick);
    ASSERT_EQ(dialogs.shown.back().title, "END OF FILE");
    for (int t = 0; t < 4; ++t) ASSERT_NE(host->chart().trace(t).DeviceNum, 0);

    window->binder().flushNow();
    const QImage image = chart->grab().toImage();
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        for (int pass = 0; pass < 5; ++pass) QApplication::processEvents();  // laid out anew
        window->grab().save(QString::fromUtf8(shots) + "/playback.png");
    }
    // Red, blue, green and black: the first four traces' colours (black beyond what the axis
    // captions use). A second of one trace draws some tens of pixels; a unit's minute hundreds.
    for (QRgb color : {0xFF0000u, 0x0000FFu, 0x009900u, 0x000000u}) {
        EXPECT_GT(pixelsOf(image, color) - pixelsOf(empty, color), 300) << std::hex << color;
    }
}

// The zoomed chart with its legend and cursors: the operator's gestures on the real widget,
// the read-outs through the program, and the data left as it was.
TEST_F(PlaybackWindow, ZoomPanCursorsAndLegendChangeTheViewNotTheData) {
    run(10);
    commit(Ctl::RawPlotXAsis, 5);
    commit(Ctl::RawStartStop, 1);
    run(70);
    ASSERT_NE(host->chart().trace(1).DeviceNum, 0);
    const auto dataBefore = host->chart().trace(0).Data;
    window->resize(1280, 800);
    window->show();
    window->binder().flushNow();
    auto* chart = qobject_cast<qtui::PlotWidget*>(window->binder().widget(Ctl::ChartGraph));
    ASSERT_NE(chart, nullptr);
    chart->grab();  // the plot area is known once drawn
    const platform::Graph& g = panel.graph(Ctl::ChartGraph);
    const QRectF area = chart->painter().plotArea();
    auto wheel = [&](QPointF at, int notches, Qt::KeyboardModifiers mods) {
        QWheelEvent e(at, chart->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &e);
        window->binder().flushNow();
        chart->grab();
    };
    // Two notches of the wheel at the middle zoom the time axis 1.5625 times about it.
    wheel(area.center(), 2, Qt::NoModifier);
    ASSERT_TRUE(g.view().x);
    EXPECT_NEAR(g.view().xRange.hi - g.view().xRange.lo, 16 / 1.5625, 1e-9);
    EXPECT_NEAR((g.view().xRange.hi + g.view().xRange.lo) / 2, 8, 0.05);
    EXPECT_FALSE(g.view().y);
    wheel(area.center(), 1, Qt::ControlModifier);  // Ctrl: the level axis
    EXPECT_TRUE(g.view().y);
    // A middle-button drag to the right moves the time axis back by as much.
    const double lo = g.view().xRange.lo;
    const QPoint mid = area.center().toPoint();
    QTest::mousePress(chart, Qt::MiddleButton, {}, mid);
    QTest::mouseMove(chart, mid + QPoint(100, 0));
    QTest::mouseRelease(chart, Qt::MiddleButton, {}, mid + QPoint(100, 0));
    EXPECT_NEAR(g.view().xRange.lo, lo - 100 / area.width() * (16 / 1.5625), 1e-6);
    window->binder().flushNow();
    chart->grab();

    // The level axis follows the data; the cursors snap to the first trace's points and the
    // read-outs give time, level and their differences in seconds and metres.
    commit(Ctl::ChartAutoscaleY, 1);
    panel.graph(Ctl::ChartGraph).resetView();
    wheel(area.center(), 1, Qt::NoModifier);
    const QPoint c1(static_cast<int>(area.left() + area.width() * 0.3), mid.y());
    const QPoint c2(static_cast<int>(area.left() + area.width() * 0.6), mid.y());
    QTest::mouseClick(chart, Qt::LeftButton, {}, c1);
    QTest::mouseClick(chart, Qt::LeftButton, {}, c2);
    const auto& trace = host->chart().trace(0);
    const auto at = [&](int cursor) {
        return static_cast<std::size_t>(std::lround(g.cursor(cursor).first * trace.Rate * 5));
    };
    ASSERT_NE(trace.Data[at(0)], chart::kNoData);
    EXPECT_NEAR(panel.value(Ctl::LeftYAxis), trace.Data[at(0)], 1e-9);
    EXPECT_NEAR(panel.value(Ctl::RightYaxis), trace.Data[at(1)], 1e-9);
    EXPECT_NEAR(panel.value(Ctl::CursorDeltaTime),
                panel.value(Ctl::RightXAxis) - panel.value(Ctl::LeftXAxis), 1e-9);
    EXPECT_NEAR(panel.value(Ctl::CursorDeltaLevel), trace.Data[at(1)] - trace.Data[at(0)], 1e-6);

    window->binder().flushNow();
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        window->grab().save(QString::fromUtf8(shots) + "/zoomed_chart.png");
    }
    // A click on the legend's second entry: the cursors follow that trace from now on.
    const std::string second = "Device " + std::to_string(host->chart().trace(1).DeviceNum);
    for (int y = static_cast<int>(area.top()); y < area.top() + 80; ++y) {
        const QPointF p(area.right() - 40, y);
        if (chart->painter().legendAt(p) != second) continue;
        QTest::mouseClick(chart, Qt::LeftButton, {}, p.toPoint());
        break;
    }
    EXPECT_EQ(g.cursorPlot(), second);

    // The analysis page on the section between the cursors: the wave statistics reach their
    // widgets, with the warning for a short section.
    commit(Ctl::XAxisCursor, 1);
    commit(Ctl::AnalyzeTraceSelect, 1);
    panel.raise(Ctl::AnalyzeButton, Event::Commit);
    EXPECT_GT(panel.value(Ctl::WaveCount), 0);
    window->tabs()->setCurrentIndex(1);
    window->binder().flushNow();
    QWidget* waves = window->binder().widget(Ctl::WaveCount);
    ASSERT_NE(waves, nullptr);
    for (QWidget* w = waves->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(w)) scroll->ensureWidgetVisible(waves, 10, 120);
    }
    QApplication::processEvents();
    const QString warning = qobject_cast<QLabel*>(window->binder().widget(Ctl::AnalysisWarning))->text();
    EXPECT_TRUE(warning.startsWith("Only ")) << warning.toStdString();
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        window->grab().save(QString::fromUtf8(shots) + "/analysis.png");
    }
    window->tabs()->setCurrentIndex(0);
    commit(Ctl::XAxisCursor, 0);

    // None of it touched the data, and the view goes back whole.
    EXPECT_EQ(host->chart().trace(0).Data, dataBefore);
    commit(Ctl::ChartResetView, 1);
    EXPECT_FALSE(g.view().x);
    EXPECT_FALSE(g.view().y);
    wheel(area.center(), 1, Qt::NoModifier);
    QTest::mouseDClick(chart, Qt::LeftButton, {}, mid);
    EXPECT_FALSE(g.view().x);

    // The chart as an SVG picture: vector drawing with the traces' colours and the legend.
    const std::string svg = dir.file("chart.svg");
    ASSERT_EQ(qtui::saveGraphImage(g, svg), "");
    QFile file(QString::fromStdString(svg));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains(second.c_str()));
    QSvgRenderer renderer(QString::fromStdString(svg));
    ASSERT_TRUE(renderer.isValid());
    QImage rendered(qtui::kExportSize, QImage::Format_RGB32);
    rendered.fill(Qt::white);
    QPainter painter(&rendered);
    renderer.render(&painter);
    painter.end();
    // The renderer smooths the lines: pixels near the colour count.
    auto near = [&](int r, int gr, int b) {
        int n = 0;
        for (int y = 0; y < rendered.height(); ++y) {
            for (int x = 0; x < rendered.width(); ++x) {
                const QColor c = rendered.pixelColor(x, y);
                n += std::abs(c.red() - r) < 60 && std::abs(c.green() - gr) < 60 &&
                     std::abs(c.blue() - b) < 60;
            }
        }
        return n;
    };
    EXPECT_GT(near(255, 0, 0), 1000);
    EXPECT_GT(near(0, 0, 255), 1000);
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        rendered.save(QString::fromUtf8(shots) + "/chart_svg.png");
    }
}

// Speed and position chosen in recorded time as an operator does: the speed picked from the
// open list with the mouse, a time typed into "Go to time", the slider moved with the keys.
TEST_F(PlaybackWindow, SpeedAndPositionAreChosenInRecordedTimeWithMouseAndKeys) {
    const double t0 = platform::toAbsTime({2026, 12, 8, 10, 0, 0, 0});
    {
        std::ofstream out(dir.file("survey.csv"), std::ios::binary);
        for (int i = 0; i < 450; ++i) {  // half an hour, a block every 4 s
            out << "A004,S08,B0," << chart::timeText(t0 + 4 * i);
            for (int k = 0; k < 32; ++k) out << ",01.5000";
            out << "\r\n";
        }
    }
    window->resize(1280, 800);
    window->show();
    window->tabs()->setCurrentIndex(0);
    dialogs.fileReplies.push_back({FileSelection::Status::Existing, dir.file("survey.csv")});
    panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
    for (int i = 0; i < 100 && panel.timerEnabled(Ctl::FileTimeIndexTimer); ++i)
        panel.raise(Ctl::FileTimeIndexTimer, Event::TimerTick);
    window->binder().flushNow();
    QApplication::processEvents();
    auto* span = qobject_cast<QLabel*>(window->binder().widget(Ctl::PlotFileSpan));
    ASSERT_NE(span, nullptr);
    EXPECT_EQ(span->text(), "2026-12-08T10:00:00 to 2026-12-08T10:29:56 (29 min 56 s)");

    // The speed: the ring clicked open, "60x" clicked in its list.
    auto* speed = qobject_cast<QComboBox*>(window->binder().widget(Ctl::PlotSpeedCtr));
    ASSERT_NE(speed, nullptr);
    QTest::mouseClick(speed, Qt::LeftButton);
    QAbstractItemView* list = speed->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const int row = speed->findText("60x");
    ASSERT_GE(row, 0);
    const QRect item = list->visualRect(list->model()->index(row, 0));
    // An open list ignores a release that follows its opening press too closely.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    window->binder().flushNow();
    EXPECT_EQ(panel.value(Ctl::PlotSpeedCtr), 60);
    EXPECT_EQ(panel.timerInterval(Ctl::ReadFileTimer), 50);

    // A time of day typed over what the entry shows, and Enter.
    auto* goTo = qobject_cast<QLineEdit*>(window->binder().widget(Ctl::PlotGoToTime));
    ASSERT_NE(goTo, nullptr);
    EXPECT_EQ(goTo->text(), "2026-12-08T10:00:00");  // the file's start, to edit
    QTest::mouseClick(goTo, Qt::LeftButton);
    QTest::keyClick(goTo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(goTo, "10:15:00");
    QTest::keyClick(goTo, Qt::Key_Return);
    window->binder().flushNow();
    const std::int64_t there = host->playback().FileLocation();
    EXPECT_NEAR(static_cast<double>(there), 225.0 * 287, 1024);  // the 225th block
    auto* slider = qobject_cast<QSlider*>(window->binder().widget(Ctl::FileKbPosition));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->value(), there / 1024);
    EXPECT_EQ(goTo->text(), "2026-12-08T10:15:00");

    // Played at an hour a minute: two seconds of ticks are two minutes of the recording.
    commit(Ctl::RawStartStop, 1);
    for (int i = 0; i < 40; ++i) panel.raise(Ctl::ReadFileTimer, Event::TimerTick);
    window->binder().flushNow();
    QApplication::processEvents();
    const QString played =
        qobject_cast<QLabel*>(window->binder().widget(Ctl::PlotFileTime))->text();
    EXPECT_TRUE(played.startsWith("2026-12-08T10:17:")) << played.toStdString();
    EXPECT_TRUE(played.contains(" times real time")) << played.toStdString();
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        for (int pass = 0; pass < 5; ++pass) QApplication::processEvents();
        window->grab().save(QString::fromUtf8(shots) + "/playback-time.png");
    }

    // The slider moved back a page with the keyboard: the entry shows the time there.
    commit(Ctl::RawStartStop, 0);
    slider->setFocus();
    const int before = slider->value();
    QTest::keyClick(slider, Qt::Key_Home);
    window->binder().flushNow();
    EXPECT_LT(slider->value(), before);
    EXPECT_EQ(host->playback().FileLocation(), 0);
    EXPECT_EQ(goTo->text(), "2026-12-08T10:00:00");
}

}  // namespace
