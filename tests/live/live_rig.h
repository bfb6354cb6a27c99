#pragma once
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>

#include "chart/chart_state.h"
#include "config/config_state.h"
#include "link/api_frame.h"
#include "link/link_state.h"
#include "live/data_service.h"
#include "live/display_timer.h"
#include "live/frame_capture.h"
#include "live/zero_display.h"
#include "platform/panel.h"
#include "support/fake_api_frame_writer.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"

namespace live_test {

// A receive packet (0x90) from a unit: the 64-bit address, the 16-bit address 0xFFFE, receive
// options 1, then the payload bytes from offset 12.
inline links::RxFrame packet(std::uint64_t address, std::string_view payload) {
    links::RxFrame f;
    f.data[0] = 0x90;
    for (int i = 0; i < 8; ++i)
        f.data[static_cast<std::size_t>(1 + i)] =
            static_cast<std::uint8_t>(address >> (56 - 8 * i));
    f.data[9] = 0xFF;
    f.data[10] = 0xFE;
    f.data[11] = 0x01;
    std::size_t n = std::min(payload.size(), links::kRxFrameSize - 13);
    for (std::size_t i = 0; i < n; ++i) f.data[12 + i] = static_cast<std::uint8_t>(payload[i]);
    f.length = static_cast<int>(12 + n);
    return f;
}

// The header of a burst: "A004,S32,B0,2014-02-10T16:00:40" and the two bytes before the data.
inline std::string burstHead(char type, int device, int rate, char power = '0',
                             std::string_view time = "2014-02-10T16:00:40") {
    char head[64];
    std::snprintf(head, sizeof head, "%c%03d,S%02d,B%c,%.*s,,", type, device, rate, power,
                  static_cast<int>(time.size()), time.data());
    return head;
}

// Every live room on test doubles.
struct LiveRig {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeClock clock;
    testing_support::FakeApiFrameWriter writer;
    platform::Session session;
    links::LinkState links;
    config::ConfigState config;
    chart::ChartCtr chart;
    live::DeviceTable table;
    live::DisplayLines display{panel, table};
    live::Recorder recorder{panel, dialogs, clock, session, links};
    live::FrameCapture capture{panel, dialogs, clock, recorder};
    live::PanIdResponses panIds{panel, dialogs, writer};
    live::DataService service{table, display, recorder, panIds, session, chart, config, clock};
    live::DisplayTimer timer{panel, table, display, config, writer};
    live::ZeroDisplay zero{panel, table, display};

    void rx(std::uint64_t address, std::string_view payload, int scale = 0,
            links::FrameSource from = links::FrameSource::PortA) {
        links::RxFrame f = packet(address, payload);
        f.source = from;
        service.RxDataService(f, scale);
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) timer.DeviceDisplayTimer();
    }
    // Index of the entry of a unit, or -1.
    int lineOf(std::uint64_t address, int device) const {
        for (int i = 0; i < live::kOutputLineCount; ++i) {
            if (table[i].NetAddress == address && table[i].DeviceNum == device) return i;
        }
        return -1;
    }
    const live::OutputLine& entry(std::uint64_t address, int device) const {
        return table[lineOf(address, device)];
    }
};

// While it lives, no file of this process may grow past `bytes`: a write that crosses the
// limit goes through in part and then fails, as on a disk that fills up.
struct FileSizeLimit {
    rlimit before{};
    void (*oldHandler)(int) = nullptr;
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = before;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
    }
};

// A scratch directory under the system's temporary directory, removed afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        static int serial = 0;
        path = std::filesystem::temp_directory_path() /
               ("fathom_live_" + std::to_string(std::random_device{}()) + "_" +
                std::to_string(++serial));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

}  // namespace live_test
