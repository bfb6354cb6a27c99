#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/host.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace link_test {

// Every frame handed to the data service: payload text, address, scale and source port.
struct FrameLog : links::FrameSink {
    struct Entry {
        std::string text;  // from the payload on (receive packets) or the frame data
        std::uint64_t address = 0;
        int scale = 0;
        links::FrameSource source{};
        int type = 0;
    };
    std::vector<Entry> frames;
    void RxDataService(const links::RxFrame& f, int scale) override {
        Entry e;
        e.type = f.data[0];
        e.scale = scale;
        e.source = f.source;
        for (int i = 1; i <= 8; ++i)
            e.address = (e.address << 8) | f.data[static_cast<std::size_t>(i)];
        const int from = e.type == 0x90 ? 12 : 1;
        e.text.assign(f.data.begin() + from, f.data.begin() + std::max(from, f.length));
        frames.push_back(e);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& e : frames) t.push_back(e.text);
        return t;
    }
    int count(const std::string& prefix) const {
        int n = 0;
        for (const auto& e : frames) n += e.text.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }
};

struct Capture : links::RawCapture {
    bool open = false;
    std::vector<std::uint8_t> bytes;
    bool APIFrameDataFileOpen() const override { return open; }
    void captureByte(std::uint8_t b) override { bytes.push_back(b); }
};

// A wired unit's 44-field configuration block: staff code in field 1, range in field 2,
// sample rate in field 7, every other field 0 (the checksum is not needed by the receive path).
inline std::string block(int code, int range, int rate) {
    std::string b;
    char f[4];
    for (int k = 0; k < 44; ++k) {
        int v = k == 1 ? code : k == 2 ? range : k == 7 ? rate : 0;
        std::snprintf(f, sizeof f, "%02X,", v);
        b += f;
    }
    return b;
}

inline constexpr int kPortA = 11;
inline constexpr int kPortB = 12;
inline constexpr int kPortOut = 13;

struct LinkFixture : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeSerialPorts ports;
    testing_support::FakeClock clock;
    FrameLog sink;
    Capture capture;
    std::unique_ptr<app::Host> host;

    LinkFixture() {
        ports.available = {{"ttyUSB0 (FT232R USB UART)", kPortA, "/dev/ttyUSB0"},
                           {"ttyUSB1 (FT232R USB UART)", kPortB, "/dev/ttyUSB1"},
                           {"ttyS0", kPortOut, "/dev/ttyS0"}};
        host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
        host->receivePaths().setFrameSink(&sink);
        host->receivePaths().setRawCapture(&capture);
        host->Initialize();
    }

    void chooseUnitType(int type) {
        panel.setValue(platform::Ctl::UnitTypeRing, type);
        panel.raise(platform::Ctl::UnitTypeRing, platform::Event::Commit);
    }
    void open(platform::Ctl ring, int number) {
        panel.setValue(ring, number);
        panel.raise(ring, platform::Event::Commit);
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            panel.raise(platform::Ctl::FRTCDeviceConnectTimer, platform::Event::TimerTick);
        }
    }
    // Bytes written to the port since the last call.
    std::string sent(int number) {
        std::string s = ports.writtenText(number);
        ports.ports[number].written.clear();
        return s;
    }
    links::LinkState& links() { return host->links(); }
};

}  // namespace link_test
