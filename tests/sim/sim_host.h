#pragma once
// The program's Host on test doubles, with simulated instruments behind its serial ports: the
// operator chooses a unit type and a SIM port on the panel, and time moves for the program's
// timers, its clock and the instruments together.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/host.h"
#include "sim/sim_network.h"
#include "sim/sim_serial_ports.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"

namespace simtest {

// Every message text the receive paths hand to the data service, passed on to it.
struct TextLog : links::FrameSink {
    links::FrameSink* next = nullptr;
    std::vector<std::string> texts;
    void RxDataService(const links::RxFrame& f, int scale) override {
        if (f.data[0] == links::kReceivePacket)
            texts.emplace_back(f.data.begin() + 12, f.data.begin() + std::max(12, f.length));
        if (next) next->RxDataService(f, scale);
    }
    int count(std::string_view prefix) const {
        int n = 0;
        for (const std::string& t : texts) n += t.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }
};

// The link and upload timers as the event loop runs them: each ticks a whole period after it was
// (re)started, so a timer stopped and started again begins its period afresh.
struct TimerClock : platform::PanelObserver {
    static constexpr platform::Ctl kTimers[] = {
        platform::Ctl::FRTCDeviceConnectTimer, platform::Ctl::DeviceDisplayTimer,
        platform::Ctl::ConfigTimer, platform::Ctl::TCFRConfigTimer, platform::Ctl::UpLoadTimer};
    platform::Panel& panel;
    std::map<platform::Ctl, double> sinceMs;
    explicit TimerClock(platform::Panel& p) : panel(p) { panel.addObserver(this); }
    ~TimerClock() override { panel.removeObserver(this); }
    void controlChanged(platform::Ctl id, platform::Attr what) override {
        if (what == platform::Attr::Timer) sinceMs[id] = 0;
    }
    // Moves time on; the timers whose period has passed tick.
    void advance(double ms) {
        for (platform::Ctl timer : kTimers) {
            const int period = panel.timerInterval(timer);
            if (!panel.timerEnabled(timer) || period <= 0) continue;
            double& since = sinceMs[timer];
            since += ms;
            if (since + 1e-6 < period) continue;
            since = 0;
            panel.raise(timer, platform::Event::TimerTick);
        }
    }
};

struct SimHost : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeClock clock;
    sim::SimSerialPorts ports;
    TextLog log;
    std::unique_ptr<app::Host> host;
    std::vector<int> numbers;  // of the simulated ports, in the order added

    // The instruments are on their lines before the program starts and lists its ports.
    void start(std::vector<std::unique_ptr<sim::SimDevice>> devices) {
        for (auto& d : devices) numbers.push_back(ports.add(std::move(d)));
        host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
        host->Initialize();
        log.next = &host->dataService();
        host->receivePaths().setFrameSink(&log);
    }
    template <typename Device = sim::SimDevice>
    Device& device(std::size_t i) {
        return dynamic_cast<Device&>(*ports.device(numbers.at(i)));
    }
    platform::AbsTime simNow() { return ports.device(numbers.at(0))->now(); }

    // An empty folder of this test process's own: ctest runs tests side by side, and one
    // must not remove what another is writing.
    static std::string freshFolder(const std::string& name) {
        const std::string dir =
            ::testing::TempDir() + name + "_" + std::to_string(::getpid()) + "/";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        return dir;
    }

    void chooseUnitType(int type) {
        panel.setValue(platform::Ctl::UnitTypeRing, type);
        panel.raise(platform::Ctl::UnitTypeRing, platform::Event::Commit);
    }
    void open(platform::Ctl ring, std::size_t i) {
        panel.setValue(ring, numbers.at(i));
        panel.raise(ring, platform::Event::Commit);
    }

    // Runs the program and the instruments for the given time in steps of 50 ms; the link
    // timers that are enabled tick at their periods, as the event loop would run them.
    // Whatever a simulated instrument sends is what real ones send: none of it may be taken
    // for noise, in any format of any unit type.
    void TearDown() override {
        EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 0);
        EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::B), 0);
    }

    void run(double seconds) {
        constexpr double kStepMs = 50;
        for (double t = 0; t < seconds * 1000; t += kStepMs) {
            // The instruments catch up with the program's clock, which its blocking waits
            // have moved on: the world does not stop while the program waits.
            clock.advance(kStepMs / 1000);
            ports.advance(std::max(0.0, (clock.t - simNow()) * 1000));
            timers_.advance(kStepMs);
        }
    }

    // The device entry of a unit, or null.
    const live::OutputLine* entry(std::uint64_t address, int device) {
        for (int i = 0; i < live::kOutputLineCount; ++i) {
            const live::OutputLine& e = host->deviceTable()[i];
            if (e.NetAddress == address && e.DeviceNum == device) return &e;
        }
        return nullptr;
    }

  private:
    TimerClock timers_{panel};
};

}  // namespace simtest
