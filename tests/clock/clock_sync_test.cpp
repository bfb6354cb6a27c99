// The clock commands and the automatic sync, through the program's controls and timers, to a
// radio unit behind the adapter port.
#include <gtest/gtest.h>

#include "config/scan_rig.h"

namespace {

using configtest::ScanRig;
using platform::Ctl;
using platform::Event;

struct ClockSyncTest : ScanRig {
    void displayTick(int n = 1) {
        for (int i = 0; i < n; ++i) panel.raise(Ctl::DeviceDisplayTimer, Event::TimerTick);
    }
    void autoSync(int on) {
        panel.setValue(Ctl::AutoTimeSync, on);
        panel.raise(Ctl::AutoTimeSync, Event::Commit);
    }
    void press(Ctl c, double v = 0) {
        panel.setValue(c, v);
        panel.raise(c, Event::Commit);
        answer();
    }
    std::string last() { return commands.empty() ? "" : commands.back(); }
    clocks::ClockSync& sync() { return host->clockSync(); }
};

TEST_F(ClockSyncTest, ArmedUnitIsSyncedWhenItNextReports) {
    start(0);
    report(7);
    autoSync(1);
    displayTick();  // line 0 is armed
    EXPECT_TRUE(panel.visible(Ctl::SyncIndicator));
    EXPECT_TRUE(commands.empty());

    // The next message of the armed unit, 4 ms before 12:00:03.250: the sync names the second
    // beginning two seconds on and the 1.75 s until it in 1/128 s.
    clock.set({2026, 12, 8, 12, 0, 3, 0});
    clock.advance(0.246);
    report(7);
    answer();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(last(), "ZS,26-12-08T12:00:05.224");
    EXPECT_EQ(panel.text(Ctl::AutoSyncResult), "224");
    EXPECT_EQ(sync().AutoWaitSync, 0);
    // Its next messages send nothing until the cycle comes round again.
    report(7);
    answer();
    EXPECT_EQ(commands.size(), 1u);
    displayTick(2);
    EXPECT_FALSE(panel.visible(Ctl::SyncIndicator));
}

TEST_F(ClockSyncTest, CycleWalksEveryLineThenWaitsFastThenSlow) {
    start(0);
    autoSync(1);
    // No unit listed: three ticks a line, nothing armed, nothing sent.
    displayTick(24 * 3);
    EXPECT_EQ(sync().AutoSyncState, 3);
    displayTick(29);
    EXPECT_EQ(sync().AutoSyncState, 3);
    displayTick();
    EXPECT_EQ(sync().AutoSyncState, 0) << "30 ticks between cycles just after switching on";
    displayTick(300);
    EXPECT_EQ(sync().AutoSyncPeriod, 600);
    for (int i = 0; i < 700 && sync().AutoSyncState != 0; ++i) displayTick();
    displayTick(24 * 3);
    ASSERT_EQ(sync().AutoSyncState, 3);
    displayTick(599);
    EXPECT_EQ(sync().AutoSyncState, 3);
    displayTick();
    EXPECT_EQ(sync().AutoSyncState, 0);
    EXPECT_TRUE(commands.empty());

    // Broadcast power holds the cycle at its start.
    panel.setValue(Ctl::BroadcastPower, 1);
    displayTick(5);
    EXPECT_EQ(sync().AutoSyncState, 0);
    EXPECT_EQ(sync().AutoSyncCount, 0);
}

// A radio unit's date and time texts tell where its clock stands. One more than 3 s off the
// computer's is told to the operator once (until it is seen in step again); with Auto Time
// Sync on it is synced again at once instead of at the next round.
TEST_F(ClockSyncTest, AUnitClockOutOfStepIsToldOnceOrSyncedAgainAtOnce) {
    start(0);
    report(7);
    clock.set({2026, 12, 8, 12, 0, 0, 0});
    const auto unitSays = [&](double ahead) {
        const platform::CalendarTime c = platform::toCalendar(clock.absNow() + ahead);
        char text[64];
        std::snprintf(text, sizeof text, "C007,D8,%04d-%02d-%02d\r\n", c.year, c.month, c.day);
        ports.receive(port, testing_support::receivePacket(unit, text));
        std::snprintf(text, sizeof text, "C007,D9,%02d:%02d:%02d\r\n", c.hour, c.minute, c.second);
        ports.receive(port, testing_support::receivePacket(unit, text));
    };
    const auto told = [&] {
        std::vector<std::string> texts;
        for (const auto& d : dialogs.shown)
            if (d.title == "UNIT CLOCK OUT OF STEP") texts.push_back(d.text);
        return texts;
    };
    // Whole seconds of a time text, and a date a day apart at midnight, are no jump.
    unitSays(-0.9);
    clock.set({2026, 12, 8, 23, 59, 59, 900});
    unitSays(-86399.9 + 0.2);
    EXPECT_TRUE(told().empty());
    clock.set({2026, 12, 8, 12, 0, 0, 0});
    unitSays(30);
    unitSays(31);
    ASSERT_EQ(told().size(), 1u);
    EXPECT_NE(told()[0].find("unit 7 is 30.0 s ahead of"), std::string::npos) << told()[0];
    unitSays(0);
    unitSays(-12);
    ASSERT_EQ(told().size(), 2u);
    EXPECT_NE(told()[1].find("12.0 s behind"), std::string::npos) << told()[1];

    // Auto Time Sync on: the round is over and waits (state 3) when the unit jumps; the next
    // round starts at once at its line and its next message is synced. Nothing is shown.
    unitSays(0);
    autoSync(1);
    displayTick();
    report(7);
    answer();
    ASSERT_EQ(commands.size(), 1u);
    displayTick(24 * 3);
    ASSERT_EQ(sync().AutoSyncState, 3);
    unitSays(-20);
    displayTick(2);
    EXPECT_EQ(sync().AutoSyncState, 1);
    EXPECT_TRUE(sync().autoWaitSyncFor(0));
    report(7);
    answer();
    EXPECT_EQ(commands.size(), 2u);
    EXPECT_TRUE(last().starts_with("ZS,")) << last();
    EXPECT_EQ(told().size(), 2u);

    // In the middle of a round (about to visit line 5) the unit jumps again: it is synced
    // first, and the round then takes up at line 5, so units it had not reached yet are not
    // left for the next round (minutes later).
    unitSays(0);
    for (int i = 0; i < 2000 && !(sync().AutoSyncState == 0 && sync().AutoSyncLoc == 5); ++i)
        displayTick();
    ASSERT_EQ(sync().AutoSyncLoc, 5);
    unitSays(25);
    displayTick();
    EXPECT_EQ(sync().AutoSyncLoc, 0);
    report(7);
    answer();
    EXPECT_EQ(commands.size(), 3u);
    for (int i = 0; i < 10 && sync().AutoSyncState != 0; ++i) displayTick();
    EXPECT_EQ(sync().AutoSyncState, 0);
    EXPECT_EQ(sync().AutoSyncLoc, 5);
}

TEST_F(ClockSyncTest, ManualClockCommandsOfARadioUnit) {
    answers = configtest::staffAnswers("2.10");
    answers["WT,21-02-03T04:05:06"] = "WT,1";
    start(0);
    report(7);
    select(7);
    scan();
    commands.clear();

    for (auto [c, v] :
         {std::pair{Ctl::SetYear, 2021}, std::pair{Ctl::SetMonth, 2}, std::pair{Ctl::SetDay, 3},
          std::pair{Ctl::SetHour, 4}, std::pair{Ctl::SetMinute, 5}, std::pair{Ctl::SetSecond, 6}}) {
        press(c, v);
        EXPECT_EQ(panel.textColor(c), platform::kRed);
    }
    EXPECT_EQ(panel.color(Ctl::SetClock), platform::kRed);
    press(Ctl::SetClock);
    EXPECT_EQ(last(), "WT,21-02-03T04:05:06");
    EXPECT_EQ(panel.textColor(Ctl::SetYear), platform::kBlack);

    // Sync to the computer: set at the next second boundary, so a start just before midnight
    // sends the new day.
    clock.set({2026, 12, 31, 23, 59, 59, 0});
    clock.advance(0.9);
    press(Ctl::SyncToPC);
    EXPECT_EQ(last(), "WT,27-01-01T00:00:00");
    EXPECT_EQ(panel.value(Ctl::SetYear), 2027);
    EXPECT_EQ(host->apiFrames().TxWait, 0) << "a sync is never sent again by the scan";
    tick(60);
    EXPECT_EQ(last(), "WT,27-01-01T00:00:00");

    press(Ctl::WriteStartTime);
    press(Ctl::EnableStartTime, 1);
    EXPECT_EQ(last(), "WR,1");
    press(Ctl::RtcCal, -12);
    EXPECT_EQ(last(), "WC,-12");
    press(Ctl::CompClock);
    EXPECT_EQ(last(), "RZ");

    // GPS time on: the automatic sync goes off.
    reply("RJ,0");
    autoSync(1);
    EXPECT_TRUE(panel.dimmed(Ctl::SetClock));
    press(Ctl::EnableGPSTime, 1);
    EXPECT_EQ(last(), "WJ,1");
    EXPECT_EQ(panel.value(Ctl::AutoTimeSync), 0);
    EXPECT_EQ(state().EnaAutoSync, 0);
}

}  // namespace
