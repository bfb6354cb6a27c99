// Arbitrary reply texts through RxConfigData for every unit type, with the sender's entry
// anywhere (or none), while a scan is under way: the parser must never read or write past a
// buffer, a table or a ring, whatever a unit answers.
#include <cstdint>
#include <cstring>
#include <memory>

#include "support/host_rig.h"

namespace {

struct Rig : testing_support::HostRig {
    Rig() {
        host.Initialize();
        host.chooseUnitType(0);
        host.choosePort(platform::Ctl::PortARing, "/dev/ttyFUZZ");
    }
};

constexpr int kTypes[] = {0, 1, 2, 8, 3, 7};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    if (size < 2) return 0;
    // Control bytes: unit type, the sender's entry (-1 to 30), scan state, tick or not.
    const std::uint8_t ctl = data[0];
    rig.host.session().UnitType = kTypes[ctl % 6];
    const int line = static_cast<int>(data[1] % 32) - 1;
    rig.host.configState().ConfigStatus = (ctl >> 3) % 4;
    data += 2;
    size -= 2;

    auto& rx = rig.host.dataService().RxChars;
    const std::size_t n = size < rx.size() - 1 ? size : rx.size() - 1;
    std::memcpy(rx.data(), data, n);
    rx[n] = '\0';
    rig.host.replyParser().RxConfigData(line);
    if (ctl & 0x80) rig.panel.raise(platform::Ctl::ConfigTimer, platform::Event::TimerTick);
    // Keep the written bytes from piling up over a long run.
    for (auto& [number, port] : rig.ports.ports) port.written.clear();
    return 0;
}
