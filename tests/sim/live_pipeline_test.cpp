// The simulated radio network feeding the program's own data service: what the units send
// ends up in the device entries as the values and time tags they sent.
#include <gtest/gtest.h>

#include "live/live_rig.h"
#include "radio_network.h"

namespace {

using simtest::Network;

TEST(SimulatedNetwork, FillsTheDeviceTableThroughTheDataService) {
    Network net({0, 0, 1, 2});
    live_test::LiveRig rig;
    for (double t = 0; t < 8000; t += 100) {
        net.adapter->advance(100);
        for (const simtest::Bytes& f : simtest::decodeFrames(net.adapter->takeOutput())) {
            links::RxFrame frame;
            std::copy(f.begin(), f.end(), frame.data.begin());
            frame.length = static_cast<int>(f.size());
            rig.service.RxDataService(frame, 0);
        }
    }
    struct Expect {
        std::size_t unit;
        int device, rate;
        char type;
    };
    for (const Expect& e : {Expect{0, 1, 8, 'A'}, Expect{1, 2, 4, 'C'}, Expect{2, 3, 16, 'I'},
                            Expect{3, 4, 8, 'F'}}) {
        SCOPED_TRACE(e.type);
        const int line = rig.lineOf(net.address(e.unit), e.device);
        ASSERT_GE(line, 0);
        const live::OutputLine& entry = rig.table[line];
        EXPECT_EQ(entry.MsgType, e.type);
        EXPECT_EQ(entry.SampleRate, e.rate);
        EXPECT_EQ(entry.PowerOn, 1);
        EXPECT_EQ(entry.PowerState, '0');
        EXPECT_EQ(entry.Year, 2026);
        // The last value the unit reported, as the unit measured it.
        EXPECT_GT(entry.Value, 0.3f);
        EXPECT_LT(entry.Value, 2.0f);
    }
    // An "A" burst's last sample is the unit's reading at that moment, to the millimetre.
    const live::OutputLine& a = rig.table[rig.lineOf(net.address(0), 1)];
    const double lastSampleTime = simtest::kStart + 8.0 - 1.0 / 8;
    EXPECT_NEAR(a.Value, net.unit(0).reading(lastSampleTime), 0.0006);
}

}  // namespace
