#pragma once
// The program's Host on test doubles with one radio unit behind the adapter port that answers
// the configuration commands from a table, as a unit would: every transmit request to it is
// logged, and its reply comes back as a receive packet.
#include <gtest/gtest.h>

#include <cstring>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/host.h"
#include "sim/api_frames.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"
#include "support/wire_frames.h"

namespace configtest {

using platform::Ctl;

struct ScanRig : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeClock clock;
    testing_support::FakeSerialPorts ports;
    std::unique_ptr<app::Host> host;
    int port = 0;
    std::uint64_t unit = 0x0013A20040A1BEEFull;
    std::uint64_t unitPan = 0x0000000000002345ull;
    std::uint64_t adapterPan = 0x0000000000002345ull;
    // Command text without its line end -> reply text without "$" and CR LF; absent: silence.
    std::map<std::string, std::string> answers;
    std::vector<std::string> commands;  // every text command sent, line end removed
    int panReads = 0;
    std::size_t seen = 0;

    void start(int type) {
        host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
        host->Initialize();
        host->chooseUnitType(type);
        port = ports.numberForPath("/dev/ttyRADIO");
        ports.ports[port].written.clear();
        seen = 0;
        ASSERT_TRUE(host->choosePort(Ctl::PortARing, "/dev/ttyRADIO"));
        answer();
        commands.clear();
    }
    // The unit answers; a test that hands the program a reply without the program having
    // asked for it makes it the answer to the command last sent (the program takes no reply to
    // another command while one is awaited).
    void reply(const std::string& text) {
        auto& sent = host->apiFrames().TxStr;
        const std::string command = text.substr(0, text.find(',')) + "\r\n";
        const std::string_view last(sent.data(), strnlen(sent.data(), sent.size()));
        if (last.substr(0, last.find_first_of(",\r")) != text.substr(0, text.find(',')) &&
            command.size() < sent.size()) {
            sent.fill('\0');
            std::copy(command.begin(), command.end(), sent.begin());
        }
        replyUnasked(text);
    }
    void replyUnasked(const std::string& text) {
        ports.receive(port, testing_support::receivePacket(unit, "$" + text + "\r\n"));
    }
    // The unit reports a sample, so that it can be selected by its device number.
    void report(int device) {
        char text[32];
        std::snprintf(text, sizeof text, "C%03d,D1,S04,01234\r\n", device);
        ports.receive(port, testing_support::receivePacket(unit, text));
    }
    static std::string strip(std::string s) {
        while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
        return s;
    }
    // Answers whatever the program has sent since the last call.
    void answer() {
        auto& w = ports.ports[port].written;
        const simtest::Bytes fresh(w.begin() + static_cast<std::ptrdiff_t>(seen), w.end());
        seen = w.size();
        for (const simtest::Bytes& f : simtest::decodeFrames(fresh)) {
            if (f[0] == 0x10) {
                const std::string cmd = strip(std::string(f.begin() + 14, f.end()));
                commands.push_back(cmd);
                auto it = answers.find(cmd);
                if (it != answers.end()) reply(it->second);
            } else if (f[0] == 0x08 && std::string(f.begin() + 2, f.end()) == "ID") {
                // The adapter's own PAN ID, asked for when its port opens.
                std::vector<std::uint8_t> r{0x88, 1, 'I', 'D', 0};
                for (int i = 0; i < 8; ++i)
                    r.push_back(static_cast<std::uint8_t>(adapterPan >> (56 - 8 * i)));
                ports.receive(port, testing_support::wireFrame(r));
            } else if (f[0] == 0x17 && std::string(f.begin() + 13, f.end()) == "ID") {
                ++panReads;
                std::vector<std::uint8_t> r{0x97, 1};
                for (int i = 0; i < 8; ++i)
                    r.push_back(static_cast<std::uint8_t>(unit >> (56 - 8 * i)));
                r.insert(r.end(), {0xFF, 0xFE, 'I', 'D', 0});
                for (int i = 0; i < 8; ++i)
                    r.push_back(static_cast<std::uint8_t>(unitPan >> (56 - 8 * i)));
                ports.receive(port, testing_support::wireFrame(r));
            }
        }
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            panel.raise(Ctl::ConfigTimer, platform::Event::TimerTick);
            answer();
        }
    }
    void select(int device) {
        panel.setValue(Ctl::SelectDeviceNum, device);
        panel.raise(Ctl::SelectDeviceNum, platform::Event::Commit);
    }
    config::ConfigState& state() { return host->configState(); }
    // Ticks until the read-out is complete and nothing is awaited any more.
    void scan(int maxTicks = 200) {
        for (int i = 0; i < maxTicks; ++i) {
            tick();
            // Type 2 has no remote PAN ID to read.
            if (state().ConfigStatus == 3 && host->apiFrames().TxWait == 0 &&
                (state().PANReadPending == 0 || host->session().UnitType == 2))
                return;
        }
        ADD_FAILURE() << "the scan did not finish";
    }
};

// The replies of an XB staff, firmware fw, current mode 2.
inline std::map<std::string, std::string> staffAnswers(const std::string& fw,
                                                       const std::string& part = "FR-XB-02-021") {
    std::string table;
    for (int i = 0; i < 12; ++i) {
        char e[16];
        std::snprintf(e, sizeof e, "%8.4f,", i < 3 ? 0.5 * (i + 1) : 0.0);
        table += e;
    }
    return {
        {"WZ,2", "WZ,2"},
        {"RX", "RX,5"},
        {"RH", "RH," + part},
        {"RK", "RK," + fw},
        {"RD", "RD,XB21005"},
        {"RS", "RS,8"},
        {"RL", "RL,3"},
        {"RI", "RI,15"},
        {"RF", "RF,1"},
        {"RO", "RO,2"},
        {"RR", "RR,1"},
        {"RQ", "RQ,2015-12-31T23:59"},
        {"RT", "RT,2016-02-28T10:20:30"},
        {"RC", "RC,-12"},
        {"RP", "RP,1"},
        {"RV", "RV,2.70"},
        {"RW", "RW,2"},
        {"TT", "TT,2"},
        {"TS", "TS,3.500"},
        {"TA", "TA," + table},
        {"TG", "TG,1.015"},
        {"TO", "TO,-0.020"},
        {"TL", "TL,0.300"},
        {"TH", "TH,1.700"},
        {"RG", "RG,1200"},
        {"RU", "RU,250"},
        {"RY", "RY,400"},
        {"GT", "GT,3"},
        {"GS", "GS,4.250"},
        {"GA", "GA," + table},
    };
}

}  // namespace configtest
