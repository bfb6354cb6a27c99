#include "live/device_table.h"

#include <gtest/gtest.h>

#include "link/api_frame_codec.h"
#include "link/link_fixture.h"
#include "live_rig.h"

using live_test::burstHead;
using live_test::LiveRig;
using platform::Ctl;

namespace {

struct DeviceTableTest : ::testing::Test, LiveRig {
    void sample(std::uint64_t address, int device, int rate = 4, int mm = 1000) {
        char text[40];
        std::snprintf(text, sizeof text, "C%03d,D1,S%02d,%05d\r\n", device, rate, mm);
        rx(address, text);
    }
    void burst(std::uint64_t address, char type, int device, int rate) {
        const int bytes = type == 'A' ? 192 : type == 'G' ? 128 : type == 'i' ? 120 : 128;
        rx(address, burstHead(type, device, rate) + std::string(static_cast<std::size_t>(bytes), '1'));
    }
    // Ticks until the unit's entry is freed, counting from its last message.
    int ticksUntilFreed(std::uint64_t address, int device) {
        for (int n = 1; n <= 400; ++n) {
            ticks(1);
            if (lineOf(address, device) < 0) return n;
        }
        return -1;
    }
};

TEST_F(DeviceTableTest, SlotsRankByAddressThenDeviceNumber) {
    sample(0x20, 1);
    sample(0x10, 1);
    sample(0x30, 1);
    EXPECT_EQ(entry(0x20, 1).DisplaySlot, 1);
    EXPECT_EQ(entry(0x10, 1).DisplaySlot, 0);
    EXPECT_EQ(entry(0x30, 1).DisplaySlot, 2);
    sample(0x05, 5);
    sample(0x05, 3);
    EXPECT_EQ(entry(0x05, 3).DisplaySlot, 0);
    EXPECT_EQ(entry(0x05, 5).DisplaySlot, 1);
    EXPECT_EQ(entry(0x10, 1).DisplaySlot, 2);
    // Rows follow the ranking: row 1 shows the lowest address.
    EXPECT_EQ(panel.u64(Ctl::Address1), 0x05u);
    EXPECT_EQ(panel.value(Ctl::Device1), 3);
    EXPECT_EQ(panel.u64(platform::ctlAt(Ctl::Address1, 4)), 0x30u);
}

TEST_F(DeviceTableTest, SilentUnitsAreFreedAfterTheirKindsLimit) {
    sample(0x1, 1);
    EXPECT_EQ(ticksUntilFreed(0x1, 1), 6);
    burst(0x2, 'A', 2, 8);
    EXPECT_EQ(ticksUntilFreed(0x2, 2), 26);
    burst(0x3, 'I', 3, 4);
    EXPECT_EQ(ticksUntilFreed(0x3, 3), 74);
    burst(0x4, 'G', 4, 1);
    EXPECT_EQ(ticksUntilFreed(0x4, 4), 180);
    burst(0x5, 'I', 5, 1);
    EXPECT_EQ(ticksUntilFreed(0x5, 5), 266);
}

TEST_F(DeviceTableTest, EveryMessageRestartsTheSilenceAndFreeingRedrawsTheRows) {
    sample(0x10, 1);
    sample(0x20, 2);
    for (int i = 0; i < 10; ++i) {
        ticks(3);
        sample(0x20, 2);
    }
    EXPECT_EQ(lineOf(0x10, 1), -1);
    EXPECT_GE(lineOf(0x20, 2), 0);
    EXPECT_EQ(entry(0x20, 2).DisplaySlot, 0);
    EXPECT_EQ(panel.u64(Ctl::Address1), 0x20u);
    EXPECT_TRUE(panel.dimmed(platform::ctlAt(Ctl::Output1, 1)));  // row 2 emptied
}

TEST_F(DeviceTableTest, ReRankingRedrawsEveryRowOfThePageShown) {
    sample(0x10, 1);
    burst(0x20, 'A', 2, 32);
    sample(0x30, 3);
    for (int i = 0; i < 5; ++i) {
        ticks(3);
        sample(0x10, 1);
        sample(0x30, 3);
    }
    // The burst unit (entry 1, rank 1) fell silent: the unit ranked below it moves up.
    EXPECT_EQ(lineOf(0x20, 2), -1);
    EXPECT_EQ(panel.u64(Ctl::Address1), 0x10u);
    EXPECT_FALSE(panel.dimmed(Ctl::Address1));
    EXPECT_EQ(panel.u64(platform::ctlAt(Ctl::Address1, 1)), 0x30u);
    EXPECT_TRUE(panel.dimmed(platform::ctlAt(Ctl::Address1, 2)));
    // A message keyed by device number 0 has no rank and draws nothing.
    rx(0x05, "C000,D1,S04,09999\r\n");
    EXPECT_EQ(panel.u64(Ctl::Address1), 0x10u);
}

TEST_F(DeviceTableTest, FreeingTheConfiguredUnitMarksItsConfigurationStale) {
    config.ConfigDeviceAddr = 0x77;
    sample(0x77, 9);
    ticks(6);
    EXPECT_EQ(config.ClearConfig, 1);
}

TEST_F(DeviceTableTest, PageTwoShowsTheEntriesRankedEightToFifteen) {
    panel.setValue(Ctl::PageSelect, 2);
    for (int i = 0; i < 12; ++i) sample(0x100 + static_cast<std::uint64_t>(i), 1, 4, 1000 + i);
    // Rank 8 (address 0x108) is in row 1, rank 11 in row 4; rows 5-8 stay empty.
    EXPECT_EQ(panel.u64(Ctl::Address1), 0x108u);
    EXPECT_EQ(panel.u64(platform::ctlAt(Ctl::Address1, 3)), 0x10Bu);
    EXPECT_TRUE(panel.dimmed(platform::ctlAt(Ctl::Address1, 4)));
    // A page-1 unit's message draws nothing.
    sample(0x100, 1, 4, 2222);
    EXPECT_NE(panel.value(Ctl::Output1), static_cast<double>(2.222f));
    // Choosing a page clears the rows; they refill as messages come.
    display.SelectDisplayLines(platform::Event::Commit);
    EXPECT_TRUE(panel.dimmed(Ctl::Address1));
}

TEST_F(DeviceTableTest, OffsetTimeAdvancesPerSampleAndRestartsWithTheTimeTag) {
    sample(0x1, 1, 10);
    sample(0x1, 1, 10);
    EXPECT_EQ(entry(0x1, 1).OffsetTime, 200);
    rx(0x1, "C001,D9,10:00:00\r\n");
    EXPECT_EQ(entry(0x1, 1).OffsetTime, 0);
    EXPECT_EQ(panel.value(Ctl::Offset1), 0);
    sample(0x1, 1, 10);
    EXPECT_EQ(panel.value(Ctl::Offset1), 100);
    // Redraws (a new unit re-ranks the table) do not add time.
    sample(0x2, 1, 10);
    sample(0x3, 1, 10);
    EXPECT_EQ(entry(0x1, 1).OffsetTime, 100);
    // Entries on another page keep counting.
    panel.setValue(Ctl::PageSelect, 2);
    sample(0x1, 1, 10);
    EXPECT_EQ(entry(0x1, 1).OffsetTime, 200);
}

// Broadcast power as the operator runs it: the switch on the main panel and the display
// timer's ticks, with the frames as they reach the radio adapter's port.
struct BroadcastPower : link_test::LinkFixture {
    BroadcastPower() {
        chooseUnitType(0);
        open(Ctl::PortARing, link_test::kPortA);
        sent(link_test::kPortA);  // the adapter's PAN ID request
    }
    void choose(int value) {
        panel.setValue(Ctl::BroadcastPower, value);
        panel.raise(Ctl::BroadcastPower, platform::Event::Commit);
    }
    static std::string frame(std::string_view text) {
        const links::EncodedFrame f = links::transmitRequest(
            links::kBroadcastAddress,
            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        return {reinterpret_cast<const char*>(f.span().data()), f.size};
    }
    // Ticks on which a frame went out, numbered from 1 for this call; every frame must be
    // the broadcast `text`.
    std::vector<int> sendsOver(int count, std::string_view text) {
        std::vector<int> at;
        for (int t = 1; t <= count; ++t) {
            panel.raise(Ctl::DeviceDisplayTimer, platform::Event::TimerTick);
            const std::string out = sent(link_test::kPortA);
            if (out.empty()) continue;
            EXPECT_EQ(out, frame(text)) << "tick " << t;
            EXPECT_TRUE(panel.visible(Ctl::BroadcastIndicator));
            at.push_back(t);
        }
        return at;
    }
};

TEST_F(BroadcastPower, OnRepeatsFourteenTimesThenInCycles) {
    choose(1);
    const std::vector<int> at = sendsOver(1200, "BP,1\r\n");
    // 14 sends every 15 s (3.5 minutes), then cycles of 5 quiet periods (75 s) and 4 sends.
    ASSERT_EQ(at.size(), 42u);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(at[static_cast<std::size_t>(i)], 15 * (i + 1));
    EXPECT_EQ(std::vector<int>(at.begin() + 14, at.begin() + 19),
              (std::vector<int>{300, 315, 330, 345, 435}));
    EXPECT_EQ(at.back(), 1155);
    EXPECT_EQ(host->apiFrames().TxWait, 1);
}

TEST_F(BroadcastPower, SendOffAlwaysSendsFourteenPowerOffsThenReturnsToOff) {
    // However long "On" ran before: in its first sends, in a quiet period of its cycle, or in
    // the sends of a cycle.
    for (int onTicks : {0, 60, 400, 1200}) {
        SCOPED_TRACE(onTicks);
        choose(1);
        sendsOver(onTicks, "BP,1\r\n");
        choose(2);
        EXPECT_EQ(sendsOver(15 * 15, "BP,2\r\n").size(), 14u);
        EXPECT_EQ(panel.intValue(Ctl::BroadcastPower), 0);
        EXPECT_TRUE(sendsOver(15 * 10, "").empty());
    }
}

TEST_F(DeviceTableTest, ZeroingUsesTheRowOfThePageShown) {
    sample(0x1, 1, 4, 1500);
    for (int i = 0; i < 8; ++i) sample(0x10 + static_cast<std::uint64_t>(i), 1, 4, 2000);
    // Page 1 row 1 is 0x1; page 2 row 1 is the ninth unit (0x17).
    panel.setValue(Ctl::PageSelect, 2);
    display.SelectDisplayLines(platform::Event::Commit);
    sample(0x17, 1, 4, 2000);
    panel.setValue(Ctl::ZeroAbs1, 1);
    zero.ZeroDisplayRow(0, platform::Event::Commit);
    EXPECT_EQ(entry(0x17, 1).ZeroOn, 1);
    EXPECT_FLOAT_EQ(entry(0x17, 1).Offset, 2.0f);
    EXPECT_EQ(entry(0x1, 1).ZeroOn, 0);
    sample(0x17, 1, 4, 2020);
    EXPECT_NEAR(entry(0x17, 1).Value, 0.020f, 1e-6);
    EXPECT_NEAR(panel.value(Ctl::Output1), 0.020, 1e-6);
    // Back to absolute: offset kept, values absolute from the next message.
    panel.setValue(Ctl::ZeroAbs1, 0);
    zero.ZeroDisplayRow(0, platform::Event::Commit);
    EXPECT_NEAR(entry(0x17, 1).Value, 0.020f, 1e-6);
    sample(0x17, 1, 4, 1520);
    EXPECT_FLOAT_EQ(entry(0x17, 1).Value, 1.52f);
    EXPECT_FLOAT_EQ(entry(0x17, 1).Offset, 2.0f);
}

TEST_F(DeviceTableTest, AReusedEntryStartsAbsolute) {
    sample(0x1, 1, 4, 1500);
    table[lineOf(0x1, 1)].ZeroOn = 1;
    table[lineOf(0x1, 1)].Offset = 1.5f;
    const int line = lineOf(0x1, 1);
    ticks(6);
    sample(0x2, 2, 4, 1000);
    ASSERT_EQ(lineOf(0x2, 2), line);
    EXPECT_EQ(entry(0x2, 2).ZeroOn, 0);
    EXPECT_FLOAT_EQ(entry(0x2, 2).Value, 1.0f);
}

}  // namespace
