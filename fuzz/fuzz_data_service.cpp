// Arbitrary frames through RxDataService: receive packets with any payload (short bursts,
// missing digits, huge numbers, binary), AT responses and lengths that disagree with the
// bytes. The rooms persist across inputs so the table fills, ages and is reused.
#include <cstdint>
#include <cstring>

#include "live/live_rig.h"

namespace {

struct Rig : live_test::LiveRig {
    std::size_t streamed = 0;
    Rig() {
        links.OpenComPortNumOutput = 1;  // every record is built and streamed
        recorder.sendToOutputPort = [this](std::span<const std::uint8_t> b) { streamed += b.size(); };
        service.hooks.autoWaitSyncFor = [](int line) { return line == 3; };
        service.hooks.configDeviceNumber = [] { return 255; };
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    if (size < 3) return 0;
    // Control bytes: unit type, chart and zero switches, page, and the frame length's offset
    // from the bytes given.
    const std::uint8_t ctl = data[0];
    rig.session.UnitType = ctl % 10;
    rig.chart.PlotRun = ctl >> 7;
    rig.panel.setValue(platform::Ctl::PageSelect, 1 + (ctl >> 4) % 3);
    const int lengthSkew = static_cast<std::int8_t>(data[1]);
    data += 2;
    size -= 2;

    links::RxFrame frame;
    const std::size_t n = size < frame.data.size() ? size : frame.data.size();
    std::memcpy(frame.data.data(), data, n);
    frame.length = static_cast<int>(n) + lengthSkew;
    rig.service.RxDataService(frame, ctl & 1);

    if (ctl & 0x40) {
        const int row = ctl % 8;
        rig.panel.setValue(platform::ctlAt(platform::Ctl::ZeroAbs1, row), ctl & 2);
        rig.zero.ZeroAbsSwUpDate(row);
    }
    if (ctl & 0x20) rig.timer.DeviceDisplayTimer();
    return 0;
}
