#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "app/host.h"
#include "live/live_rig.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"

namespace chart_test {

using platform::Ctl;
using platform::Event;

// The whole program on test doubles; units' messages go straight to the data service.
struct ChartRig : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeSerialPorts ports;
    testing_support::FakeClock clock;
    std::unique_ptr<app::Host> host;

    ChartRig() {
        host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
        host->Initialize();
    }

    static std::uint64_t address(int device) { return 0x0013A20040A10000ull + device; }

    void rx(int device, const std::string& payload) {
        host->dataService().RxDataService(live_test::packet(address(device), payload), 0);
    }
    // An "A" burst of 32 values, all `mm` millimetres.
    void aBurst(int device, int rate, const char* time, int mm = 1500) {
        std::string s = live_test::burstHead('A', device, rate, '0', time);
        char v[8];
        std::snprintf(v, sizeof v, "%06d", mm);
        for (int i = 0; i < 32; ++i) s += v;
        rx(device, s);
    }
    // A continuous unit's date and time messages, then `n` samples of `mm` millimetres.
    void timeTag(int device, const char* date, const char* time) {
        char s[40];
        std::snprintf(s, sizeof s, "C%03d,D8,%s\r\n", device, date);
        rx(device, s);
        std::snprintf(s, sizeof s, "C%03d,D9,%s\r\n", device, time);
        rx(device, s);
    }
    void samples(int device, int rate, int n, int mm = 1000) {
        char s[40];
        std::snprintf(s, sizeof s, "C%03d,D1,S%02d,%05d\r\n", device, rate, mm);
        for (int i = 0; i < n; ++i) rx(device, s);
    }
    void commit(Ctl id, double value) {
        panel.setValue(id, value);
        panel.raise(id, Event::Commit);
    }
    void selectTrace(int t, int device) { commit(platform::ctlAt(Ctl::TraceSelect1, t), device); }
    void startPlotting() { commit(Ctl::RawStartStop, 1); }

    chart::Chart& chart() { return host->chart(); }
    const chart::TraceBuffer& trace(int t) { return chart().trace(t); }
    const platform::Graph& graph() { return panel.graph(Ctl::ChartGraph); }
    // The y values the graph draws for trace t.
    const std::vector<double>& drawn(int t) {
        for (const auto& p : graph().plots()) {
            if (p.handle == trace(t).PlotHandle) return p.y;
        }
        static const std::vector<double> none;
        return none;
    }
    // Points of trace t that hold a sample, and that the graph draws.
    int stored(int t) {
        int n = 0;
        for (int i = 0; i < static_cast<int>(trace(t).NumPoints); ++i) {
            n += trace(t).Data[static_cast<std::size_t>(i)] != chart::kNoData ? 1 : 0;
        }
        return n;
    }
    int drawnPoints(int t) {
        int n = 0;
        for (double y : drawn(t)) n += std::isfinite(y) ? 1 : 0;
        return n;
    }
};

}  // namespace chart_test
