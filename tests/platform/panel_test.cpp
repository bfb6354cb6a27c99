#include "platform/panel.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/control_table.h"

using namespace platform;

namespace {

struct Recorder : PanelObserver {
    std::vector<std::pair<Ctl, Attr>> changes;
    void controlChanged(Ctl id, Attr what) override { changes.emplace_back(id, what); }
};

TEST(ControlTable, EveryIdHasExactlyOneRow) {
    std::vector<int> seen(kCtlCount, 0);
    for (const ControlSpec& s : controlTable()) ++seen[static_cast<std::size_t>(ctlIndex(s.id))];
    for (int i = 0; i < kCtlCount; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], 1) << ctlName(static_cast<Ctl>(i));
    }
}

TEST(ControlTable, RingValuesAreUniqueAndHelpHasTitleAndText) {
    for (const ControlSpec& s : controlTable()) {
        std::set<double> values;
        for (const RingItem& item : s.items) {
            EXPECT_TRUE(values.insert(item.value).second)
                << ctlName(s.id) << " repeats value " << item.value;
        }
        EXPECT_EQ(s.helpTitle.empty(), s.helpText.empty()) << ctlName(s.id);
        if (s.kind == Kind::Timer) {
            EXPECT_GT(s.timerMs, 0) << ctlName(s.id);
        }
    }
}

TEST(ControlTable, NumberedFamiliesAreConsecutive) {
    EXPECT_EQ(ctlAt(Ctl::Output1, 7), Ctl::Output8);
    EXPECT_EQ(ctlAt(Ctl::ZeroAbs1, 7), Ctl::ZeroAbs8);
    EXPECT_EQ(ctlAt(Ctl::TraceSelect1, 7), Ctl::TraceSelect8);
    EXPECT_STREQ(ctlName(Ctl::Address3), "Address3");
}

TEST(Panel, StartsFromTheTableAndDefaultCtrlRestores) {
    Panel p;
    EXPECT_EQ(p.intValue(Ctl::PageSelect), 1);
    EXPECT_EQ(p.items(Ctl::PortARing).front().label, "Select a serial port");
    EXPECT_TRUE(p.dimmed(Ctl::Output1));
    EXPECT_FALSE(p.visible(Ctl::ChangePortA));
    EXPECT_EQ(p.timerInterval(Ctl::DeviceDisplayTimer), 1000);
    EXPECT_EQ(p.tableRows(Ctl::SyncLengthTable), 8);

    p.setValue(Ctl::Output1, 1.234);
    p.setText(Ctl::DateTime1, "2026-12-08T12:00:00");
    p.setU64(Ctl::Address1, 0x0013A20040A1B2C3ull);
    EXPECT_EQ(p.u64(Ctl::Address1), 0x0013A20040A1B2C3ull);
    p.defaultCtrl(Ctl::Output1);
    p.defaultCtrl(Ctl::DateTime1);
    p.defaultCtrl(Ctl::Address1);
    EXPECT_EQ(p.value(Ctl::Output1), 0.0);
    EXPECT_EQ(p.text(Ctl::DateTime1), "");
    EXPECT_EQ(p.u64(Ctl::Address1), 0u);
}

TEST(Panel, RingOperationsKeepSelectionAndValueTogether) {
    Panel p;
    p.clearItems(Ctl::PortARing);
    EXPECT_EQ(p.selectedIndex(Ctl::PortARing), -1);
    p.insertItem(Ctl::PortARing, -1, "Select a serial port", 0);
    p.insertItem(Ctl::PortARing, -1, "ttyUSB0 (FT232R USB UART)", 3);
    p.insertItem(Ctl::PortARing, -1, "ttyS0", 5);
    p.setValue(Ctl::PortARing, 5);
    EXPECT_EQ(p.selectedIndex(Ctl::PortARing), 2);
    p.setValue(Ctl::PortARing, 42);  // no such item: unchanged
    EXPECT_EQ(p.intValue(Ctl::PortARing), 5);
    p.insertItem(Ctl::PortARing, 1, "ttyACM0", 7);
    EXPECT_EQ(p.intValue(Ctl::PortARing), 5);
    EXPECT_EQ(p.selectedIndex(Ctl::PortARing), 3);
    p.deleteItem(Ctl::PortARing, 3);
    EXPECT_EQ(p.selectedIndex(Ctl::PortARing), 2);
    EXPECT_EQ(p.intValue(Ctl::PortARing), 3);
    EXPECT_EQ(p.indexOfValue(Ctl::PortARing, 7), 1);
}

TEST(Panel, TableCellsAreBoundsChecked) {
    Panel p;
    p.setCell(Ctl::SyncLengthTable, 7, 0, "5.0");
    p.setCell(Ctl::SyncLengthTable, 8, 0, "x");
    p.setCell(Ctl::SyncLengthTable, -1, 0, "x");
    EXPECT_EQ(p.cell(Ctl::SyncLengthTable, 7, 0), "5.0");
    EXPECT_EQ(p.cell(Ctl::SyncLengthTable, 8, 0), "");
}

TEST(Panel, ObserversSeeEachRealChangeOnce) {
    Panel p;
    Recorder r;
    p.addObserver(&r);
    p.setValue(Ctl::Output2, 2.5);
    p.setValue(Ctl::Output2, 2.5);  // same value: no notification
    p.setDimmed(Ctl::Output2, false);
    p.setVisible(Ctl::PortBRing, true);
    p.setTextColor(Ctl::PortAStatus, kRed);
    p.graph(Ctl::ChartGraph).plotWaveform(std::vector<double>{1, 2, 3}, 0, 1, 0xFF0000);
    p.setTimerEnabled(Ctl::ConfigTimer, true);
    p.removeObserver(&r);
    p.setValue(Ctl::Output2, 3.0);
    std::vector<std::pair<Ctl, Attr>> want = {
        {Ctl::Output2, Attr::Value},       {Ctl::Output2, Attr::Dimmed},
        {Ctl::PortBRing, Attr::Visible},   {Ctl::PortAStatus, Attr::TextColor},
        {Ctl::ChartGraph, Attr::Graph},    {Ctl::ConfigTimer, Attr::Timer}};
    EXPECT_EQ(r.changes, want);
}

TEST(Panel, EventsReachCallbacksButNotThroughDimmedControlsOrStoppedTimers) {
    Panel p;
    std::vector<std::string> got;
    p.onEvent(Ctl::ChangePortA, [&](Event e, const EventData&) {
        got.push_back(e == Event::Commit ? "commit" : "other");
    });
    p.onEvent(Ctl::ConfigTimer, [&](Event, const EventData&) { got.push_back("tick"); });
    p.onHelp([&](Ctl id) { got.push_back(std::string("help ") + ctlName(id)); });

    p.raise(Ctl::ChangePortA, Event::Commit);
    p.raise(Ctl::ChangePortA, Event::RightClick);
    p.setDimmed(Ctl::ChangePortA, true);
    p.raise(Ctl::ChangePortA, Event::Commit);
    p.raise(Ctl::ConfigTimer, Event::TimerTick);  // disabled
    p.setTimerEnabled(Ctl::ConfigTimer, true);
    p.raise(Ctl::ConfigTimer, Event::TimerTick);
    std::vector<std::string> want = {"commit", "help ChangePortA", "tick"};
    EXPECT_EQ(got, want);
}

TEST(Graph, PlotsAreAddedAndDeletedByHandle) {
    Graph g;
    int changes = 0;
    g.setChangeHook([&] { ++changes; });
    std::vector<double> x{0, 1, 2}, y{5, 6};
    int a = g.plotXY(x, y, 0xFF0000);
    int b = g.plotWaveform(y, 0, 0.5, 0x00FF00);
    EXPECT_NE(a, b);
    EXPECT_EQ(g.plots().front().x.size(), 2u);  // shorter of the two arrays
    EXPECT_TRUE(g.deletePlot(a));
    EXPECT_FALSE(g.deletePlot(a));
    g.deleteAll();
    EXPECT_TRUE(g.plots().empty());
    EXPECT_EQ(changes, 4);
}

}  // namespace
