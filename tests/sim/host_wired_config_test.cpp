// A wired unit's whole configuration through the program: the operator configures port A,
// the block is read and shown, settings are changed on the panel, the block is written, read
// back from the simulated unit and shown with the new values.
#include <gtest/gtest.h>

#include "platform/control_table.h"
#include "platform/rgb.h"
#include "sim/synchronizer.h"
#include "sim/wired_block.h"
#include "sim/wired_unit.h"
#include "sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct WiredConfigure : SimHost {
    sim::WiredUnit& unit() { return device<sim::WiredUnit>(0); }

    void startUnit(const char* scenario, int type) {
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        d.push_back(sim::makeScenario(scenario, kStart));
        start(std::move(d));
        chooseUnitType(type);
        open(Ctl::PortARing, 0);
        run(6);
        ASSERT_EQ(panel.text(Ctl::PortAStatus), "Connected");
        configure(1);
    }
    void configure(int mode) {
        ASSERT_FALSE(panel.dimmed(Ctl::FRTCConfigRunSelect));
        panel.setValue(Ctl::FRTCConfigRunSelect, mode);
        panel.raise(Ctl::FRTCConfigRunSelect, Event::Commit);
        run(8);
    }
    // The operator's edit of one setting: dimmed while the block goes out and comes back.
    void commit(Ctl c, double v) {
        ASSERT_FALSE(panel.dimmed(c)) << platform::controlSpec(c).caption;
        panel.setValue(c, v);
        panel.raise(c, Event::Commit);
        EXPECT_TRUE(panel.dimmed(c));
        run(8);
        EXPECT_FALSE(panel.dimmed(c));
    }
    void press(Ctl button) {
        ASSERT_FALSE(panel.dimmed(button)) << platform::controlSpec(button).caption;
        panel.raise(button, Event::Commit);
        run(8);
    }
    int field(int k) { return unit().block().field[static_cast<std::size_t>(k)]; }
};

TEST_F(WiredConfigure, LoggerBlockIsShownChangedWrittenAndShownAgain) {
    startUnit("tide5", 5);
    EXPECT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Connected");
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Configure Mode");
    EXPECT_EQ(panel.textColor(Ctl::PortAStatus), 0x3366FFu);
    EXPECT_EQ(panel.text(Ctl::PartNumber), "VELM-204-013E-");
    EXPECT_EQ(panel.text(Ctl::SerialNumber), unit().identification());
    EXPECT_EQ(panel.text(Ctl::FirmwareVersion), "05.00");
    EXPECT_EQ(panel.value(Ctl::FRTCRate), 4);
    EXPECT_EQ(panel.value(Ctl::FRTCSerialOut), 1);
    EXPECT_EQ(panel.value(Ctl::FRTCAirTempCtrl), 1);
    EXPECT_EQ(panel.value(Ctl::FRTCGain), 4096);
    EXPECT_EQ(panel.value(Ctl::FRTCOffset), -500);
    EXPECT_DOUBLE_EQ(panel.value(Ctl::SelStaffLength), 5.0);
    EXPECT_EQ(panel.value(Ctl::SelStaffType), 1);  // a 5 m logger staff is a rod
    EXPECT_EQ(panel.value(Ctl::SetYear), 2026);
    EXPECT_EQ(panel.value(Ctl::SelStartYear), 2026);
    EXPECT_EQ(panel.value(Ctl::SelStartDay), 9);

    commit(Ctl::FRTCRate, 8);
    commit(Ctl::FRTCAirTempCtrl, 0);
    panel.setValue(Ctl::SelStartHour, 6);
    panel.raise(Ctl::SelStartHour, Event::Commit);
    EXPECT_EQ(panel.textColor(Ctl::SelStartHour), platform::kRed);
    EXPECT_EQ(panel.color(Ctl::WriteStartTime), platform::kRed);
    press(Ctl::WriteStartTime);

    // The unit holds what was written, and the panel shows what the unit holds.
    EXPECT_EQ(field(sim::WiredBlock::SampleRate), 8);
    EXPECT_EQ(field(sim::WiredBlock::Mode) & sim::WiredBlock::kAirTemperature, 0);
    EXPECT_EQ(field(sim::WiredBlock::StartHour), 6);
    EXPECT_EQ(field(sim::WiredBlock::StartYear), 26);
    EXPECT_EQ(panel.value(Ctl::FRTCRate), 8);
    EXPECT_EQ(panel.value(Ctl::FRTCAirTempCtrl), 0);
    EXPECT_EQ(panel.value(Ctl::SelStartHour), 6);
    EXPECT_EQ(panel.textColor(Ctl::SelStartHour), platform::kBlack);
    // Settings that are not clock settings never carry the clock.
    EXPECT_EQ(field(sim::WiredBlock::Mode) & sim::WiredBlock::kNewClock, 0);
    // The rest of the block came back as it was.
    EXPECT_EQ(field(sim::WiredBlock::GainHigh), 0x10);
    EXPECT_EQ(field(sim::WiredBlock::LoggerByte), 0x40);

    // Back to run: the unit streams at its new rate.
    configure(0);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    const int before = log.count("C001,D1,S08,");
    run(10);
    EXPECT_NEAR(log.count("C001,D1,S08,") - before, 80, 2);
}

// The configuration page and the port show one connection state: a unit the handshake loses
// while it is configured is not connected on the page either.
TEST_F(WiredConfigure, ThePageAndThePortAgreeOnTheConnection) {
    startUnit("staff3", 3);
    ASSERT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Connected");
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Configure Mode");
    panel.setText(Ctl::PortAStatus, "Not Connected");  // as the handshake shows a lost unit
    panel.raise(Ctl::TCFRConfigTimer, Event::TimerTick);
    EXPECT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Not Connected");
}

TEST_F(WiredConfigure, StaffLengthAndAlarmsOfAStaff) {
    startUnit("staff3", 3);
    EXPECT_EQ(panel.text(Ctl::PartNumber), "VELM-204-011E-");
    EXPECT_DOUBLE_EQ(panel.value(Ctl::SelStaffLength), 2.0);

    // A new length marks the entry and the button until the defaults are set.
    panel.setValue(Ctl::SelStaffLength, 6.0);
    panel.raise(Ctl::SelStaffLength, Event::Commit);
    EXPECT_EQ(panel.color(Ctl::SetDefaultValues), platform::kRed);
    press(Ctl::SetDefaultValues);
    EXPECT_EQ(panel.color(Ctl::SetDefaultValues), platform::kBlack);
    EXPECT_EQ(dialogs.count("WARNING?"), 1);
    EXPECT_EQ(unit().staffLengthMm(), 6000);
    EXPECT_DOUBLE_EQ(panel.value(Ctl::SelStaffLength), 6.0);
    EXPECT_EQ(panel.value(Ctl::SelStaffType), 2);  // past 5 m: a cable
    EXPECT_EQ(unit().block().word(sim::WiredBlock::GainHigh), 4096);
    EXPECT_EQ(static_cast<std::int16_t>(unit().block().word(sim::WiredBlock::OffsetHigh)), -500);

    commit(Ctl::Alarm2Enable, 1);
    EXPECT_EQ(field(16), 0x05);  // alarm 2 and "any"
    commit(Ctl::Alarm2On, 4.5);
    commit(Ctl::Alarm2Off, 7.0);  // above the staff: its top
    EXPECT_NEAR(panel.value(Ctl::Alarm2On), 4.5, 6.0 / 4095 + 1e-6);
    EXPECT_DOUBLE_EQ(panel.value(Ctl::Alarm2Off), 6.0);
    EXPECT_EQ(unit().block().word(21), 3071);  // 4.5 / 6 x 4095, cut
    EXPECT_EQ(panel.value(Ctl::Alarm2Enable), 1);
    EXPECT_EQ(panel.value(Ctl::Alarm1Enable), 0);
}

// A threshold the operator did not change goes back to the unit as the very count it sent,
// however often other settings are written: no level re-encoded through a float.
TEST_F(WiredConfigure, AlarmCountsSurviveUnrelatedWrites) {
    std::vector<std::unique_ptr<sim::SimDevice>> d;
    d.push_back(sim::makeScenario("staff3", kStart));
    auto& staff = dynamic_cast<sim::WiredUnit&>(*d.back());
    constexpr int kCounts[] = {7, 9, 2047, 4000};
    for (int i = 0; i < 4; ++i) {
        staff.block().field[static_cast<std::size_t>(17 + 2 * i)] = kCounts[i] >> 8;
        staff.block().field[static_cast<std::size_t>(18 + 2 * i)] = kCounts[i] & 0xFF;
    }
    start(std::move(d));
    chooseUnitType(3);
    open(Ctl::PortARing, 0);
    run(6);
    configure(1);
    for (int write = 0; write < 10; ++write) commit(Ctl::FRTCAirTempCtrl, write % 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(unit().block().word(17 + 2 * i), kCounts[i]) << i;
}

TEST_F(WiredConfigure, CalibrationIsWrittenAndCheckedAgainstTheUnit) {
    startUnit("staff4", 4);
    // Readings 0.05 m high at both marks of the 1 m staff.
    for (auto [c, v] :
         {std::pair{Ctl::SelLowCalPt, 0.2}, std::pair{Ctl::SetHighCalPt, 0.8},
          std::pair{Ctl::SetLowReading, 0.25}, std::pair{Ctl::SetHighReading, 0.85}}) {
        panel.setValue(c, v);
        panel.raise(c, Event::Commit);
        EXPECT_EQ(panel.textColor(c), platform::kRed);
    }
    press(Ctl::FRTCCalibrate);
    EXPECT_EQ(panel.color(Ctl::FRTCCalibrate), platform::kBlack);
    EXPECT_EQ(unit().block().word(sim::WiredBlock::GainHigh), 4096);
    EXPECT_EQ(static_cast<std::int16_t>(unit().block().word(sim::WiredBlock::OffsetHigh)),
              -820 - 204);
    EXPECT_EQ(panel.value(Ctl::FRTCOffset), -1024);
    EXPECT_EQ(dialogs.count("CALIBRATION ERROR"), 0);

    // Equal readings are refused with a word, and nothing is sent.
    panel.setValue(Ctl::SetHighReading, 0.25);
    panel.raise(Ctl::FRTCCalibrate, Event::Commit);
    EXPECT_EQ(dialogs.count("CALIBRATION"), 1);
    EXPECT_FALSE(panel.dimmed(Ctl::FRTCCalibrate));

    // A short-range staff of 16 m does not exist: refused, the length shown again.
    panel.setValue(Ctl::SelStaffLength, 16.0);
    panel.raise(Ctl::SetDefaultValues, Event::Commit);
    EXPECT_DOUBLE_EQ(panel.value(Ctl::SelStaffLength), 1.0);
    EXPECT_EQ(dialogs.count("STAFF LENGTH"), 1);
    run(8);
    EXPECT_EQ(static_cast<std::int16_t>(unit().block().word(sim::WiredBlock::OffsetHigh)), -1024);
}

}  // namespace

namespace {

TEST_F(WiredConfigure, SynchronizerTakesItsMenuCommandsFromThePanel) {
    startUnit("sync8", 7);
    auto& board = device<sim::Synchronizer>(0);
    EXPECT_EQ(panel.text(Ctl::PartNumber), "VELM-206-021");
    EXPECT_EQ(panel.value(Ctl::FRTCRate), board.sampleRate());

    commit(Ctl::FRTCRate, 8);
    EXPECT_EQ(board.sampleRate(), 8);
    EXPECT_EQ(panel.value(Ctl::FRTCRate), 8);
    commit(Ctl::FRSyncTimeTag, 2);
    EXPECT_EQ(board.timeTag(), "hour");

    // Sync to the computer sets the board to within about a second.
    ASSERT_FALSE(panel.dimmed(Ctl::SyncToPC));
    EXPECT_GT(board.clock().read(simNow()) - simNow(), 3.0);
    panel.raise(Ctl::SyncToPC, Event::Commit);
    run(8);
    EXPECT_NEAR(board.clock().read(simNow()) - simNow(), 0.0, 1.5);
}

}  // namespace
