// Arbitrary bytes into the receive callbacks of port A and port B, for every unit type and
// every connect handshake state. The first two bytes choose the unit type and the starting
// states; each later byte goes to port A, or to port B when it follows a 0xFF.
#include <cstdint>
#include <cstdlib>

#include "link/receive_paths.h"
#include "support/fake_clock.h"
#include "support/fake_serial_ports.h"

namespace {

struct CheckingSink : links::FrameSink {
    void RxDataService(const links::RxFrame& frame, int scale) override {
        if (frame.length < 0 || frame.length >= static_cast<int>(frame.data.size())) std::abort();
        if (scale != 0 && scale != 1) std::abort();
    }
};

struct World {
    platform::Panel panel;
    testing_support::FakeSerialPorts ports;
    testing_support::FakeClock clock;
    platform::Session session;
    links::LinkState links;
    CheckingSink sink;
    links::ReceivePaths paths{ports, panel, clock, session, links};
    World() {
        paths.setFrameSink(&sink);
        panel.setValue(platform::Ctl::SMI_BarMeters, 1);
        for (int row = 0; row < 8; ++row)
            panel.setCell(platform::Ctl::SyncLengthTable, row, 0, "12.5");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static constexpr int kTypes[] = {0, 3, 4, 5, 6, 7, 9, 8};
    World w;
    w.session.UnitType = kTypes[data[0] % 8];
    w.links.FRTCConnectStatus = data[1] % 9;
    w.links.FRTCConnectStatus_B = (data[1] / 9) % 9;
    bool toB = false;
    for (std::size_t i = 2; i < size; ++i) {
        if (data[i] == 0xFF && !toB) {
            toB = true;
            continue;
        }
        w.paths.takeByte(toB ? links::PortId::B : links::PortId::A, data[i]);
        toB = false;
    }
    return 0;
}
