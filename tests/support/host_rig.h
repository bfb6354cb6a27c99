#pragma once
#include "app/host.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace testing_support {

// The whole program's control model on test doubles: fake ports, pop-ups that are recorded and
// simulated time. Quitting only counts.
struct HostRig {
    platform::Panel panel;
    FakeDialogs dialogs;
    FakeSerialPorts ports;
    FakeClock clock;
    int quits = 0;
    app::Host host{panel, dialogs, ports, clock, [this] { ++quits; }};
};

}  // namespace testing_support
