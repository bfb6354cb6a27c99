#include "qt/main_window.h"
#include "qt/plot_widget.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <limits>
#include <map>
#include <set>

#include "platform/control_table.h"
#include "qt/control_binder.h"
#include "qt/page_builder.h"
#include "qt/led_widget.h"
#include "qt/toggle_switch.h"
#include "qt/window_scaler.h"

using namespace platform;

namespace {

struct Seen {
    Ctl id;
    Event event;
    EventData data;
};

// A window on a fresh panel, with every control's events recorded.
struct WindowFixture : ::testing::Test {
    Panel panel;
    qtui::MainWindow window{panel};
    qtui::ControlBinder& binder = window.binder();
    std::vector<Seen> events;
    std::vector<Ctl> helped;

    WindowFixture() {
        panel.onAnyEvent([this](Ctl id, Event e, const EventData& d) { events.push_back({id, e, d}); });
        panel.onHelp([this](Ctl id) { helped.push_back(id); });
    }
    template <typename W>
    W* widget(Ctl id) {
        return qobject_cast<W*>(binder.widget(id));
    }
    int count(Ctl id, Event e) const {
        int n = 0;
        for (const Seen& s : events) n += (s.id == id && s.event == e) ? 1 : 0;
        return n;
    }
    void rightClick(QWidget* w) {
        QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &ev);
    }
    void showAndFocus(QWidget* w) {
        window.show();
        QApplication::setActiveWindow(&window);
        w->setFocus();
        QApplication::processEvents();
    }
};

TEST_F(WindowFixture, EveryControlOfTheTableHasItsWidgetActionOrTimer) {
    EXPECT_EQ(window.objectName(), "MainWindow");
    for (const ControlSpec& spec : controlTable()) {
        const QString name = ctlName(spec.id);
        if (spec.id == Ctl::MainWindow) continue;
        if (spec.kind == Kind::MenuItem) {
            EXPECT_NE(window.findChild<QAction*>(name), nullptr) << ctlName(spec.id);
        } else if (spec.kind == Kind::Timer) {
            EXPECT_NE(window.findChild<QTimer*>(name), nullptr) << ctlName(spec.id);
        } else {
            EXPECT_NE(window.findChild<QWidget*>(name), nullptr) << ctlName(spec.id);
        }
    }
    QTabWidget* tabs = window.tabs();
    ASSERT_EQ(tabs->count(), 5);
    QStringList names;
    for (int i = 0; i < 5; ++i) names << tabs->tabText(i).remove('&');
    EXPECT_EQ(names, QStringList({"Plot", "Analysis", "Configuration", "Data-logger ports", "Upload"}));
    // The column heads sit above their eight rows, in one grid.
    EXPECT_EQ(binder.widget(Ctl::PowerLEDID)->parentWidget(), binder.widget(Ctl::Led8)->parentWidget());
}

TEST_F(WindowFixture, ModelChangesReachTheWidgetsOnlyAtTheCoalescedFlush) {
    auto* out = widget<QLabel>(Ctl::Output1);
    ASSERT_NE(out, nullptr);
    EXPECT_FALSE(out->isEnabled());
    EXPECT_TRUE(out->text().isEmpty());  // an unused row shows no zeros

    for (int i = 1; i <= 500; ++i) panel.setValue(Ctl::Output1, i / 1000.0);
    panel.setDimmed(Ctl::Output1, false);
    panel.setU64(Ctl::Address1, 0x0013a20040a1b2c3ull);
    panel.setDimmed(Ctl::Address1, false);
    EXPECT_TRUE(binder.flushPending());
    EXPECT_TRUE(out->text().isEmpty());  // nothing drawn per message
    binder.flushNow();
    EXPECT_EQ(out->text(), "0.500");  // the last value, with the column's precision
    EXPECT_TRUE(out->isEnabled());
    EXPECT_EQ(widget<QLabel>(Ctl::Address1)->text(), "0013A20040A1B2C3");

    panel.setLabel(Ctl::UnitTypeRing, "Instrument");
    panel.setTextColor(Ctl::EntryHint, kRed);
    panel.setVisible(Ctl::ChangePortA, true);
    panel.setValue(Ctl::Led2, 1);
    panel.setColor(Ctl::Led2, kLedYellow);
    binder.flushNow();
    EXPECT_EQ(binder.label(Ctl::UnitTypeRing)->text(), "Instrument");
    EXPECT_EQ(binder.widget(Ctl::EntryHint)->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_FALSE(binder.widget(Ctl::ChangePortA)->isHidden());
    auto* led = widget<qtui::LedWidget>(Ctl::Led2);
    EXPECT_TRUE(led->isOn());
    EXPECT_EQ(led->onColor(), QColor(0xFF, 0xFF, 0x00));
}

TEST_F(WindowFixture, RingsAreRefilledAndFramesFollowTheirControls) {
    panel.clearItems(Ctl::PortARing);
    panel.insertItem(Ctl::PortARing, -1, "ttyUSB0", 10);
    panel.insertItem(Ctl::PortARing, -1, "ttyUSB1", 11);
    panel.setSelectedIndex(Ctl::PortARing, 1);
    binder.flushNow();
    auto* combo = widget<QComboBox>(Ctl::PortARing);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "ttyUSB0");
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(count(Ctl::PortARing, Event::Commit), 0);  // written by the model, not chosen

    auto* wired = window.findChild<QGroupBox*>("frame:Wired units");
    ASSERT_NE(wired, nullptr);
    EXPECT_TRUE(wired->isHidden());
    panel.setVisible(Ctl::PortAStatus, true);
    binder.flushNow();
    EXPECT_FALSE(wired->isHidden());
}

TEST_F(WindowFixture, OperatorActionsSetTheModelAndRaiseTheirEvents) {
    auto* ring = widget<QComboBox>(Ctl::UnitTypeRing);
    showAndFocus(ring);
    QTest::keyClick(ring, Qt::Key_Down);
    EXPECT_EQ(panel.intValue(Ctl::UnitTypeRing), 1);
    EXPECT_EQ(count(Ctl::UnitTypeRing, Event::Commit), 1);

    auto* spin = widget<QDoubleSpinBox>(Ctl::TraceSelect3);
    window.tabs()->setCurrentIndex(0);
    showAndFocus(spin);
    spin->selectAll();
    QTest::keyClicks(spin, "12");
    EXPECT_EQ(count(Ctl::TraceSelect3, Event::KeyPress), 2);
    EXPECT_EQ(count(Ctl::TraceSelect3, Event::Commit), 0);
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect3), 12);
    EXPECT_EQ(count(Ctl::TraceSelect3, Event::Commit), 1);
    // Enter on an unchanged value sends it again, as an operator expects.
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_EQ(count(Ctl::TraceSelect3, Event::Commit), 2);
    ring->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(count(Ctl::TraceSelect3, Event::LostFocus), 1);

    auto* sync = widget<qtui::ToggleSwitch>(Ctl::AutoTimeSync);
    QTest::mouseClick(sync, Qt::LeftButton);
    EXPECT_EQ(panel.intValue(Ctl::AutoTimeSync), 1);
    EXPECT_EQ(count(Ctl::AutoTimeSync, Event::Commit), 1);

    // A read-only switch of a display row does not move.
    panel.setDimmed(Ctl::Power1, false);
    binder.flushNow();
    QTest::mouseClick(binder.widget(Ctl::Power1), Qt::LeftButton);
    EXPECT_EQ(panel.intValue(Ctl::Power1), 0);

    auto* table = widget<QTableWidget>(Ctl::SyncLengthTable);
    table->item(2, 0)->setText("4.5");
    EXPECT_EQ(panel.cell(Ctl::SyncLengthTable, 2, 0), "4.5");
    ASSERT_EQ(count(Ctl::SyncLengthTable, Event::Commit), 1);
    EXPECT_EQ(events.back().data.data1, 2);
}

TEST_F(WindowFixture, RightClickAsksForHelpOnControlsCaptionsAndColumnHeads) {
    rightClick(binder.widget(Ctl::PortARing));
    rightClick(binder.label(Ctl::BroadcastPower));
    rightClick(binder.widget(Ctl::SampleRateID));
    rightClick(binder.widget(Ctl::ZeroAbs4));
    EXPECT_EQ(helped, (std::vector<Ctl>{Ctl::PortARing, Ctl::BroadcastPower, Ctl::SampleRateID,
                                        Ctl::ZeroAbs4}));
    EXPECT_EQ(binder.widget(Ctl::SampleRateID)->toolTip().toStdString(),
              controlSpec(Ctl::SampleRateID).helpText);
}

TEST_F(WindowFixture, TimersFollowTheModelAndTick) {
    QTimer* t = binder.timer(Ctl::DeviceDisplayTimer);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->isActive());
    panel.setTimerEnabled(Ctl::DeviceDisplayTimer, true);
    panel.setTimerInterval(Ctl::DeviceDisplayTimer, 250);
    binder.flushNow();
    EXPECT_TRUE(t->isActive());
    EXPECT_EQ(t->interval(), 250);
    QMetaObject::invokeMethod(t, "timeout");
    EXPECT_EQ(count(Ctl::DeviceDisplayTimer, Event::TimerTick), 1);
    panel.setTimerEnabled(Ctl::DeviceDisplayTimer, false);
    binder.flushNow();
    EXPECT_FALSE(t->isActive());
}

TEST_F(WindowFixture, MenusCloseAndScalingGoThroughTheModel) {
    QAction* scale = binder.action(Ctl::MenuScaleResize);
    ASSERT_TRUE(scale->isCheckable());
    scale->trigger();
    EXPECT_EQ(count(Ctl::MenuScaleResize, Event::Commit), 1);
    EXPECT_FALSE(scale->isChecked());  // the program has not checked it

    window.resize(1300, 1000);
    window.show();
    QApplication::processEvents();
    const QSize base = window.size();
    const qreal normal = window.centralWidget()->font().pointSizeF();
    panel.setChecked(Ctl::MenuScaleResize, true);
    binder.flushNow();
    EXPECT_TRUE(scale->isChecked());
    window.resize(base * 1.5);
    QApplication::processEvents();
    EXPECT_NEAR(window.scaler().factor(), 1.5, 0.05);
    EXPECT_GT(window.centralWidget()->font().pointSizeF(), normal * 1.3);
    panel.setChecked(Ctl::MenuScaleResize, false);
    EXPECT_DOUBLE_EQ(window.centralWidget()->font().pointSizeF(), normal);

    EXPECT_FALSE(window.close());  // the program decides whether the window goes
    EXPECT_EQ(count(Ctl::MainWindow, Event::Close), 1);
}

}  // namespace

namespace {

TEST_F(WindowFixture, AnEditInProgressSurvivesModelUpdatesAndDimmedControlsTakeNoInput) {
    auto* spin = widget<QDoubleSpinBox>(Ctl::TraceSelect1);
    showAndFocus(spin);
    spin->selectAll();
    QTest::keyClicks(spin, "7");
    panel.setValue(Ctl::TraceSelect1, 3);  // the program writes while the operator types
    binder.flushNow();
    EXPECT_EQ(spin->text(), "7");
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect1), 7);
    EXPECT_EQ(count(Ctl::TraceSelect1, Event::Commit), 1);

    // Values written by the model never come back as operator events.
    events.clear();
    panel.setValue(Ctl::TraceSelect2, 9);
    panel.setValue(Ctl::AutoTimeSync, 1);
    panel.setSelectedIndex(Ctl::UnitTypeRing, 4);
    binder.flushNow();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(widget<QComboBox>(Ctl::UnitTypeRing)->currentIndex(), 4);

    panel.setDimmed(Ctl::UnitTypeRing, true);
    binder.flushNow();
    auto* ring = widget<QComboBox>(Ctl::UnitTypeRing);
    EXPECT_FALSE(ring->isEnabled());
    EXPECT_FALSE(binder.label(Ctl::UnitTypeRing)->isEnabled());
    QTest::keyClick(ring, Qt::Key_Down);
    EXPECT_EQ(panel.intValue(Ctl::UnitTypeRing), 4);
    EXPECT_TRUE(events.empty());
}

TEST_F(WindowFixture, DisplaysShowDigitsOnceInUseAndTextColourReturnsToNormal) {
    auto* rate = widget<QLabel>(Ctl::Rate3);
    panel.setDimmed(Ctl::Rate3, false);
    binder.flushNow();
    EXPECT_EQ(rate->text(), "0");  // in use: a real zero
    panel.setValue(Ctl::Rate3, 16);
    panel.setDimmed(Ctl::Rate3, true);  // a dimmed row keeps showing what it last held
    binder.flushNow();
    EXPECT_EQ(rate->text(), "16");
    // A value that is not a number (a statistic a record cannot give) shows nothing.
    panel.setValue(Ctl::Rate3, std::numeric_limits<double>::quiet_NaN());
    binder.flushNow();
    EXPECT_EQ(rate->text(), "");

    const QColor normal = binder.widget(Ctl::EntryHint)->palette().color(QPalette::WindowText);
    panel.setTextColor(Ctl::EntryHint, kRed);
    binder.flushNow();
    panel.setTextColor(Ctl::EntryHint, kBlack);
    binder.flushNow();
    EXPECT_EQ(binder.widget(Ctl::EntryHint)->palette().color(QPalette::WindowText), normal);
}

TEST_F(WindowFixture, MenusCarryUniqueMnemonics) {
    for (QMenu* menu : window.menuBar()->findChildren<QMenu*>()) {
        std::set<QChar> keys;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            const QString t = a->text();
            const qsizetype amp = t.indexOf('&');
            ASSERT_GE(amp, 0) << t.toStdString();
            EXPECT_TRUE(keys.insert(t[amp + 1].toLower()).second) << t.toStdString();
        }
    }
    EXPECT_EQ(binder.action(Ctl::MenuExit)->text(), "&Exit");
}

}  // namespace

TEST_F(WindowFixture, FitsOnA1280By800Screen) {
    // Every tab page must fit too: the tallest one sets the window's minimum.
    for (int tab = 0; tab < window.tabs()->count(); ++tab) {
        window.tabs()->setCurrentIndex(tab);
        const QSize min = window.minimumSizeHint().expandedTo(window.minimumSize());
        EXPECT_LE(min.width(), 1280) << "tab " << tab;
        EXPECT_LE(min.height(), 800 - 60) << "tab " << tab;  // room for the desktop's own bars
    }
    // The widest case: every control shown, long port names in the rings.
    for (const platform::ControlSpec& spec : platform::controlTable()) panel.setVisible(spec.id, true);
    for (Ctl ring : {Ctl::PortARing, Ctl::PortBRing, Ctl::OutputPortRing}) {
        panel.insertItem(ring, -1, "ttyUSB0 (FT232R USB UART, a rather long adapter name)", 7);
        panel.setValue(ring, 7);
    }
    binder.flushNow();
    const QSize min = window.minimumSizeHint().expandedTo(window.minimumSize());
    EXPECT_LE(min.width(), 1280);
    EXPECT_LE(min.height(), 800 - 60);
}

TEST_F(WindowFixture, DraggingOnAGraphMovesItsCursorsAndTellsTheProgram) {
    window.resize(1280, 1024);
    window.tabs()->setCurrentIndex(0);
    window.show();
    auto* plot = widget<qtui::PlotWidget>(Ctl::ChartGraph);
    ASSERT_NE(plot, nullptr);
    plot->grab();  // the plot area is known once drawn
    const QPoint left(plot->width() / 4, plot->height() / 2);
    const QPoint right(plot->width() * 3 / 4, plot->height() / 2);

    QTest::mousePress(plot, Qt::LeftButton, {}, left);
    QTest::mouseMove(plot, left + QPoint(10, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, left + QPoint(10, 0));
    const platform::Graph& g = panel.graph(Ctl::ChartGraph);
    ASSERT_EQ(g.cursorCount(), 1);
    EXPECT_GE(count(Ctl::ChartGraph, Event::ValueChanged), 1);
    EXPECT_EQ(count(Ctl::ChartGraph, Event::Commit), 1);

    // A press away from the first cursor makes the second; a press near one takes that one.
    QTest::mouseClick(plot, Qt::LeftButton, {}, right);
    ASSERT_EQ(g.cursorCount(), 2);
    EXPECT_LT(g.cursor(0).first, g.cursor(1).first);
    const double second = g.cursor(1).first;
    QTest::mouseClick(plot, Qt::LeftButton, {}, left + QPoint(14, 0));
    EXPECT_EQ(g.cursor(1).first, second);
    EXPECT_EQ(count(Ctl::ChartGraph, Event::Commit), 3);
}

TEST_F(WindowFixture, ASliderFollowsItsRangeAndCommitsWhereTheOperatorLeavesIt) {
    auto* slider = widget<QSlider>(Ctl::FileKbPosition);
    ASSERT_NE(slider, nullptr);
    panel.setDimmed(Ctl::FileKbPosition, false);
    panel.setRange(Ctl::FileKbPosition, 0, 40);
    panel.setValue(Ctl::FileKbPosition, 12);
    binder.flushNow();
    EXPECT_EQ(slider->maximum(), 40);
    EXPECT_EQ(slider->value(), 12);
    EXPECT_EQ(count(Ctl::FileKbPosition, Event::Commit), 0);  // model writes raise nothing

    slider->setSliderDown(true);  // dragging: nothing is committed on the way
    slider->setValue(30);
    EXPECT_EQ(count(Ctl::FileKbPosition, Event::Commit), 0);
    slider->setSliderDown(false);  // let go
    EXPECT_EQ(panel.intValue(Ctl::FileKbPosition), 30);
    EXPECT_EQ(count(Ctl::FileKbPosition, Event::Commit), 1);

    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // a key press steps and commits
    EXPECT_EQ(panel.intValue(Ctl::FileKbPosition), 31);
    EXPECT_EQ(count(Ctl::FileKbPosition, Event::Commit), 2);
}

TEST_F(WindowFixture, ADimmedControlStillGivesItsHelp) {
    // Through the window system, as a real right-click arrives: an empty row still explains
    // its column.
    window.resize(1280, 1024);
    window.show();
    QApplication::processEvents();
    QWidget* w = binder.widget(Ctl::Output1);
    ASSERT_TRUE(panel.dimmed(Ctl::Output1));
    QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, w->mapTo(&window, QPoint(5, 5)));
    QApplication::processEvents();
    EXPECT_EQ(helped, std::vector<Ctl>{Ctl::Output1});
}

TEST_F(WindowFixture, SettingsFramesFlowIntoTheColumnsLeftEmptyByHiddenOnes) {
    // Two frames of the configuration page that share a column while every frame shows:
    // once the others are hidden (as a unit type hides them), they stand side by side
    // instead of one under the other beside empty columns.
    window.resize(1280, 800);
    window.tabs()->setCurrentIndex(static_cast<int>(Page::Config) - 1);
    window.show();
    for (const ControlSpec& spec : controlTable()) panel.setVisible(spec.id, true);
    binder.flushNow();
    QApplication::processEvents();
    std::map<std::string_view, QGroupBox*> frames;
    for (const auto& f : qtui::PageBuilder::framesOf(Page::Config)) {
        frames[f.name] = qobject_cast<QGroupBox*>(binder.widget(f.controls.front()->id)->parentWidget());
    }
    auto column = [](QWidget* w) { return w->mapTo(w->window(), QPoint(0, 0)).x(); };
    std::string_view first, second;
    for (auto& [a, fa] : frames) {
        for (auto& [b, fb] : frames) {
            if (a < b && column(fa) == column(fb) && first.empty()) first = a, second = b;
        }
    }
    ASSERT_FALSE(first.empty());
    for (const auto& f : qtui::PageBuilder::framesOf(Page::Config)) {
        if (f.name == first || f.name == second) continue;
        for (const ControlSpec* s : f.controls) panel.setVisible(s->id, false);
    }
    binder.flushNow();
    QApplication::processEvents();
    EXPECT_NE(column(frames[first]), column(frames[second])) << first << " / " << second;
}
