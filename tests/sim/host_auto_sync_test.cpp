// Automatic time sync against simulated radio units whose clocks run ahead: after the cycle
// has passed each of them, their clocks agree with the computer's.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/radio_unit.h"
#include "sim/sim_network.h"
#include "sim/xbee_adapter.h"
#include "sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct AutoSync : SimHost {
    std::vector<sim::RadioUnit*> units;

    // Three staffs in three data formats (continuous ASCII and two burst formats), each
    // clock 2 s fast and drifting.
    void startNetwork() {
        auto adapter = std::make_unique<sim::XBeeAdapter>(kStart, sim::kDefaultPanId);
        for (int i = 0; i < 3; ++i) {
            sim::RadioUnitSpec spec = sim::radioUnitSpec(0, i, 1);
            spec.clockOffsetSeconds = 2.0;
            units.push_back(&adapter->add(std::make_unique<sim::RadioUnit>(spec, kStart)));
        }
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        d.push_back(std::move(adapter));
        start(std::move(d));
        chooseUnitType(0);
        open(Ctl::PortARing, 0);
    }
    double ahead(const sim::RadioUnit& u) { return u.clock().read(simNow()) - simNow(); }
};

TEST_F(AutoSync, UnitsTwoSecondsFastAreBroughtWithinTwoHundredthsOfASecond) {
    startNetwork();
    run(20);
    for (sim::RadioUnit* u : units) EXPECT_NEAR(ahead(*u), 2.0, 0.01);
    ASSERT_FALSE(panel.dimmed(Ctl::AutoTimeSync));
    panel.setValue(Ctl::AutoTimeSync, 1);
    panel.raise(Ctl::AutoTimeSync, Event::Commit);

    // Each unit is armed in turn and synced at its next message.
    run(60);
    for (sim::RadioUnit* u : units) EXPECT_NEAR(ahead(*u), 0.0, 0.02) << std::hex << u->address();
    // They stay there: the next cycles find them in step.
    run(120);
    for (sim::RadioUnit* u : units) EXPECT_NEAR(ahead(*u), 0.0, 0.02);

    // Switched off, the cycle stops and nothing more is sent.
    panel.setValue(Ctl::AutoTimeSync, 0);
    panel.raise(Ctl::AutoTimeSync, Event::Commit);
    EXPECT_FALSE(panel.visible(Ctl::SyncIndicator));
    EXPECT_EQ(host->clockSync().AutoWaitSync, 0);
}

}  // namespace
