#include "network/local_pan_id.h"

#include <gtest/gtest.h>

#include "support/fake_api_frame_writer.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"

using platform::Ctl;
using platform::Event;

namespace {

struct LocalPanIdTest : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeClock clock;
    testing_support::FakeApiFrameWriter writer;
    network::LocalPanId pan{panel, dialogs, clock, writer};
    std::uint64_t lastRead = 0x1111;
    LocalPanIdTest() { pan.LastLocalXstickPANID = &lastRead; }
};

TEST_F(LocalPanIdTest, CommandsCarryTheValueMostSignificantByteFirst) {
    pan.GetLocalPANID();
    panel.setU64(Ctl::AdapterPanId, 0x1234);
    pan.Xstick_PAN_ID(Event::Commit);
    pan.SaveLocalPANID();
    ASSERT_EQ(writer.sent.size(), 3u);
    EXPECT_EQ(writer.sent[0].bytes, "ID");
    EXPECT_EQ(writer.sent[1].bytes, std::string("ID\0\0\0\0\0\0\x12\x34", 10));
    EXPECT_EQ(writer.sent[2].bytes, "WR");
    EXPECT_EQ(writer.TxWait, 1);
    EXPECT_NEAR(clock.totalDelay, 0.3, 1e-9);  // the adapter's pause before each command
    EXPECT_TRUE(panel.dimmed(Ctl::AdapterPanId));
}

TEST_F(LocalPanIdTest, ADeclinedChangeSendsNothingAndPutsTheLastReadValueBack) {
    dialogs.confirmReplies.push_back(false);
    panel.raise(Ctl::AdapterPanId, Event::KeyPress);  // no callback here: the hint is ours
    pan.Xstick_PAN_ID(Event::KeyPress);
    EXPECT_TRUE(panel.visible(Ctl::EntryHint));
    panel.setU64(Ctl::AdapterPanId, 0x9999);
    pan.Xstick_PAN_ID(Event::Commit);
    EXPECT_TRUE(writer.sent.empty());
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), 0x1111u);
    EXPECT_FALSE(panel.visible(Ctl::EntryHint));
    EXPECT_EQ(panel.textColor(Ctl::AdapterPanId), platform::kBlack);
}

}  // namespace
