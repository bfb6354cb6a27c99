#include "config/config_display.h"

#include <gtest/gtest.h>

#include "support/fake_dialogs.h"

using namespace platform;

namespace {

struct ConfigDisplayTest : ::testing::Test {
    Panel panel;
    testing_support::FakeDialogs dialogs;
    Session session;
    config::ConfigState state;
    config::ConfigDisplay display{panel, dialogs, session, state};
    int resets = 0;
    void SetUp() override {
        display.setWiredHandshakeReset([this] { ++resets; });
    }
    void build(int type) {
        session.UnitType = type;
        display.SetUpConfigDisplay();
    }
};

TEST_F(ConfigDisplayTest, RadioTypesShowRadioControlsAndHideWiredOnes) {
    for (int t : {0, 1, 2, 8}) {
        build(t);
        EXPECT_TRUE(panel.visible(Ctl::AdapterPanId)) << t;
        EXPECT_TRUE(panel.visible(Ctl::BroadcastPower)) << t;
        EXPECT_FALSE(panel.visible(Ctl::PortBRing)) << t;
        EXPECT_FALSE(panel.visible(Ctl::PortAStatus)) << t;
    }
    EXPECT_EQ(resets, 0);
}

TEST_F(ConfigDisplayTest, WiredTypesShowPortBAndRestartTheHandshake) {
    build(3);
    EXPECT_TRUE(panel.visible(Ctl::PortBRing));
    EXPECT_TRUE(panel.visible(Ctl::PortAValue));
    EXPECT_FALSE(panel.visible(Ctl::SMI_BarMeters));
    EXPECT_FALSE(panel.visible(Ctl::AdapterPanId));
    build(9);
    EXPECT_FALSE(panel.visible(Ctl::PortAValue));
    EXPECT_TRUE(panel.visible(Ctl::SMI_BarMeters));
    EXPECT_TRUE(panel.visible(Ctl::PortAData));
    EXPECT_EQ(resets, 2);
}

TEST_F(ConfigDisplayTest, SynchronizerWarnsFirstAndShowsItsTables) {
    build(7);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "POWER UP SYNCHRONIZER FIRST");
    EXPECT_TRUE(panel.visible(Ctl::SyncLengthTable));
    EXPECT_FALSE(panel.visible(Ctl::PortAData));
}

TEST_F(ConfigDisplayTest, UnknownTypeChangesNothing) {
    build(3);
    build(12);
    EXPECT_TRUE(panel.visible(Ctl::PortBRing));
    EXPECT_EQ(resets, 1);
}

TEST_F(ConfigDisplayTest, AutoSyncResultOnlyInFactoryModeOnRadioStaffs) {
    build(0);
    EXPECT_FALSE(panel.visible(Ctl::AutoSyncResult));
    session.FactoryMode = 1;
    build(1);
    EXPECT_TRUE(panel.visible(Ctl::AutoSyncResult));
    build(8);
    EXPECT_FALSE(panel.visible(Ctl::AutoSyncResult));
}

}  // namespace

namespace {

// What the operator sees on the configuration tab, type by type (S shown, - hidden, F only in
// factory mode), for one member of each group and the single controls.
struct Expect {
    Ctl c;
    const char* types;  // unit types 0 to 9
};
const Expect kVisible[] = {
    {Ctl::SelDataFormat, "SSS-------"},
    {Ctl::FRTCSerialOut, "---SSSS--S"},
    {Ctl::FRAnalogOut, "---SS-----"},
    {Ctl::FRTCRate, "---SSSSS-S"},
    {Ctl::FRTCRunMode, "---SS--S--"},
    {Ctl::SelBurstLength, "SSS--SS-SS"},
    {Ctl::SelFileInterval, "-----SS-SS"},
    {Ctl::FRSyncTimeTag, "-------S--"},
    {Ctl::FRTTLRunMode, "---SS-----"},
    {Ctl::BatteryVoltage, "SSS-----S-"},
    {Ctl::EnablePower, "SS--------"},
    {Ctl::Alarm1On, "---S------"},
    {Ctl::SetLowReading, "---SSSS---"},
    {Ctl::SelLowCalPt, "---SSSS---"},
    {Ctl::SelStaffLength, "SSSSSSS---"},
    {Ctl::CalTable, "SSS-------"},
    {Ctl::SelCalGain, "----------"},
    {Ctl::SelCurrentMode, "S---------"},
    {Ctl::SaveSerialNumber, "FFF-------"},
    {Ctl::HighTrip_mV, "-FF-------"},
    {Ctl::SelStartYear, "SSS--SS-SS"},
    {Ctl::SetYear, "SSS--SSSSS"},
    {Ctl::RtcCal, "SSS-------"},
    {Ctl::SelectDeviceNum, "SSS-----S-"},
    {Ctl::FRTCConfigRunSelect, "---SSSSS-S"},
    {Ctl::PlotNotePlot, "--------S-"},
    {Ctl::RemotePanID, "SS--------"},
};

TEST_F(ConfigDisplayTest, EveryUnitTypeShowsItsOwnControlsWithFactoryModeOffAndOn) {
    for (int factory : {0, 1}) {
        session.FactoryMode = factory;
        for (int t = 0; t <= 9; ++t) {
            build(t);
            for (const Expect& e : kVisible) {
                const char code = e.types[t];
                const bool want = code == 'S' || (code == 'F' && factory != 0);
                EXPECT_EQ(panel.visible(e.c), want)
                    << ctlName(e.c) << " type " << t << " factory " << factory;
            }
            // Every type but the synchronizer ends with the 12-point flag.
            EXPECT_EQ(state.Version12CalPts, t == 7 ? 0 : 1) << t;
        }
    }
}

TEST_F(ConfigDisplayTest, DataLoggerShowsThePanGroupOnlyWhenTheAdapterHasAPanId) {
    build(8);
    EXPECT_FALSE(panel.visible(Ctl::RemotePanID));
    panel.setU64(Ctl::AdapterPanId, 0x1234);
    build(8);
    EXPECT_TRUE(panel.visible(Ctl::RemotePanID));
    EXPECT_FALSE(panel.visible(Ctl::RtcCal)) << "the logger has a clock but no trim";
    EXPECT_TRUE(panel.visible(Ctl::SetYear));
}

TEST_F(ConfigDisplayTest, ButtonsWithAnActionShowForTheirTypes) {
    session.FactoryMode = 1;
    build(0);
    EXPECT_TRUE(panel.visible(Ctl::SetClock));
    EXPECT_TRUE(panel.visible(Ctl::SaveFactoryValue));
    EXPECT_TRUE(panel.visible(Ctl::ReadBattery));
    build(3);
    EXPECT_TRUE(panel.visible(Ctl::SetDefaultValues));
    EXPECT_TRUE(panel.visible(Ctl::FRTCCalibrate));
    EXPECT_FALSE(panel.visible(Ctl::SetClock)) << "a wired staff has no clock";
}

TEST_F(ConfigDisplayTest, UnknownTypeHidesOnlyThePlotNotes) {
    build(8);
    build(12);
    EXPECT_FALSE(panel.visible(Ctl::PlotNotePlot));
    EXPECT_TRUE(panel.visible(Ctl::SetYear));
}

}  // namespace
