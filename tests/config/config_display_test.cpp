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
