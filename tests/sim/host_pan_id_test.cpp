// The radio adapter's PAN ID through the program and a simulated adapter: read when the port
// opens, changed from the main panel and kept through power cycles.
#include <gtest/gtest.h>

#include "sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct AdapterPanId : SimHost {
    sim::XBeeAdapter* adapter = nullptr;
    void SetUp() override {
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        const std::vector<int> staffs = {0};
        d.push_back(sim::makeRadioNetwork(kStart, staffs));
        start(std::move(d));
        adapter = &device<sim::XBeeAdapter>(0);
        chooseUnitType(0);
        open(Ctl::PortARing, 0);
        run(1);
    }
    void change(std::uint64_t id) {
        panel.raise(Ctl::AdapterPanId, Event::KeyPress);
        panel.setU64(Ctl::AdapterPanId, id);
        panel.raise(Ctl::AdapterPanId, Event::Commit);
    }
};

TEST_F(AdapterPanId, IsReadWhenThePortOpens) {
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), adapter->panId());
    EXPECT_FALSE(panel.dimmed(Ctl::AdapterPanId));
}

TEST_F(AdapterPanId, AChangeIsTakenAndSavedThroughPowerCycles) {
    const std::uint64_t before = adapter->panId();
    change(0xABCD0001);
    EXPECT_FALSE(panel.visible(Ctl::EntryHint));
    EXPECT_TRUE(panel.dimmed(Ctl::AdapterPanId));  // until the adapter has answered
    ASSERT_EQ(dialogs.shown.back().title, "CHANGE THE LOCAL ADAPTER PAN ID?");
    run(1);
    EXPECT_NE(before, 0xABCD0001u);
    EXPECT_EQ(adapter->panId(), 0xABCD0001u);
    EXPECT_EQ(adapter->savedPanId(), 0xABCD0001u);  // the program followed up with WR
    EXPECT_FALSE(panel.dimmed(Ctl::AdapterPanId));
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), 0xABCD0001u);
}

TEST_F(AdapterPanId, ADeclinedChangeLeavesTheAdapterAndRestoresTheEntry) {
    const std::uint64_t before = adapter->panId();
    dialogs.confirmReplies.push_back(false);
    change(0x5555);
    run(1);
    EXPECT_EQ(adapter->panId(), before);
    EXPECT_EQ(panel.u64(Ctl::AdapterPanId), before);
    EXPECT_FALSE(panel.dimmed(Ctl::AdapterPanId));
}

}  // namespace
