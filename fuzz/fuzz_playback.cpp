// Arbitrary file contents through playback: the sample-line parser (CSV and Plain60 lines)
// onto device entries, display rows and a running chart, and the .DAT frame reader into the
// data service. The first byte picks the parser, whether the chart runs and whether the
// reader jumps between reads; the rest is read a kilobyte at a time as the playback timer
// does. The program persists across inputs so entries fill, age and are reused.
#include <cstdint>
#include <memory>

#include "app/host.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace {

struct Program {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeSerialPorts ports;
    testing_support::FakeClock clock;
    std::unique_ptr<app::Host> host;
    Program() {
        host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
        host->Initialize();
        host->chartCtr().PlotSource = 1;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Program p;
    if (size < 1) return 0;
    const std::uint8_t ctl = data[0];
    ++data;
    --size;
    const auto type = (ctl & 1) != 0 ? chart::PlaybackType::Dat : chart::PlaybackType::Csv;
    p.host->chartCtr().PlotRun = (ctl >> 1) & 1;
    p.host->chartCtr().StopIfFull = (ctl >> 2) & 1;
    p.dialogs.shown.clear();
    chart::Playback& playback = p.host->playback();
    // Small reads too, so lines and frames split at every kind of place.
    const std::size_t step = (ctl & 0x80) != 0 ? 1 + (ctl >> 3 & 0x0F) : 1024;
    for (std::size_t at = 0; at < size; at += step) {
        const std::size_t n = size - at < step ? size - at : step;
        playback.feedBytes(type, std::span(data + at, n));
        if ((ctl & 0x40) != 0 && at % 3072 == 0) playback.resetReceiveState();
    }
    if ((ctl & 0x20) != 0) p.host->displayTimer().DeviceDisplayTimer();
    return 0;
}
