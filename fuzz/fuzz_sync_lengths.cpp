// The synchronizer's staff-length table as an operator may fill it: the first bytes are up to
// eight cell texts separated by newlines (or a --sync-lengths value when the input starts
// with '-'), the rest data lines from a streaming board. Every reading must come out as a
// sample text of whole numbers, whatever the lengths say.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/cli.h"
#include "link/receive_paths.h"
#include "link/wired_record.h"
#include "support/fake_clock.h"
#include "support/fake_serial_ports.h"

namespace {

struct CheckingSink : links::FrameSink {
    void RxDataService(const links::RxFrame& frame, int) override {
        if (frame.length < 12 || frame.length >= static_cast<int>(frame.data.size())) std::abort();
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
        session.UnitType = 7;
        links.FRTCConnectStatus = 5;  // streaming
        paths.setFrameSink(&sink);
        paths.tellOperator = [](const std::string& title, const std::string&) {
            if (title.empty()) std::abort();
        };
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::size_t split = in.find('\0');
    const std::string_view lengths = in.substr(0, split);
    const std::string_view lines = split == std::string_view::npos ? "" : in.substr(split + 1);
    World w;
    if (lengths.starts_with('-')) {
        const std::string value(lengths.substr(1));
        const char* argv[] = {"fathomhost", "--sync-lengths", value.c_str()};
        const app::CliOptions o = app::parseCommandLine(3, argv);
        for (std::size_t row = 0; row < o.syncLengths.size(); ++row) {
            w.panel.setCell(platform::Ctl::SyncLengthTable, static_cast<int>(row), 0,
                            std::to_string(o.syncLengths[row]));
        }
    } else {
        std::size_t at = 0;
        for (int row = 0; row < 8 && at <= lengths.size(); ++row) {
            const std::size_t end = std::min(lengths.find('\n', at), lengths.size());
            const std::string cell(lengths.substr(at, end - at));
            const double mm = links::syncStaffLengthMm(cell);
            if (!(mm >= 0 && mm <= 100000)) std::abort();
            w.panel.setCell(platform::Ctl::SyncLengthTable, row, 0, cell);
            at = end + 1;
        }
    }
    for (char c : lines) w.paths.takeByte(links::PortId::A, static_cast<std::uint8_t>(c));
    return 0;
}
