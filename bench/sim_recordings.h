#pragma once
// Recordings made the way a station makes them, in simulated time: a scenario's simulated
// instruments behind port A, the program's own recorder starting a new numbered file at each
// midnight. Kept in a folder between runs: making a day of 24 units takes a while.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/host.h"
#include "sim/sim_network.h"
#include "sim/sim_serial_ports.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"

namespace bench_support {

namespace fs = std::filesystem;

// The numbered files of `days` days (from midnight) of the scenario, made unless a complete
// set is in dir already.
inline std::vector<std::string> simulatedRecordings(const std::string& scenario, int unitType,
                                                    int days, const fs::path& dir) {
    const fs::path done = dir / (scenario + ".complete");
    std::vector<std::string> files;
    for (int d = 0; d < days; ++d) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%03d.csv", scenario.c_str(), d);
        files.push_back((dir / name).string());
    }
    if (fs::exists(done)) return files;
    fs::create_directories(dir);
    // A few seconds before midnight: the units are listed when recording starts at midnight.
    const platform::AbsTime start = platform::toAbsTime({2026, 6, 1, 0, 0, 0, 0}) - 5;
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeClock clock;
    clock.t = start;
    sim::SimSerialPorts ports;
    const int port = ports.add(sim::makeScenario(scenario, start));
    app::Host host(panel, dialogs, ports, clock, [] {});
    host.Initialize();
    host.chooseUnitType(unitType);
    panel.setValue(platform::Ctl::PortARing, port);
    panel.raise(platform::Ctl::PortARing, platform::Event::Commit);

    const auto tick = [&](platform::Ctl timer, double elapsedMs) {
        const long long period = panel.timerInterval(timer);
        if (panel.timerEnabled(timer) && period > 0 &&
            static_cast<long long>(elapsedMs) % period == 0)
            panel.raise(timer, platform::Event::TimerTick);
    };
    const double stepMs = 250;
    double elapsed = 0;
    const auto run = [&](double seconds) {
        for (double t = 0; t < seconds * 1000; t += stepMs) {
            clock.advance(stepMs / 1000);
            ports.advance(std::max(0.0, (clock.t - ports.device(port)->now()) * 1000));
            elapsed += stepMs;
            for (platform::Ctl timer : {platform::Ctl::DeviceDisplayTimer,
                                        platform::Ctl::FRTCDeviceConnectTimer,
                                        platform::Ctl::SaveNewFileInterval})
                tick(timer, elapsed);
        }
    };
    run(5);
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back(
        {platform::FileSelection::Status::New, (dir / (scenario + ".csv")).string()});
    panel.raise(platform::Ctl::MenuSaveOutputData, platform::Event::Commit);
    run(days * 86400.0 - 1);  // up to the last second before the next file
    panel.raise(platform::Ctl::MenuStopOutputData, platform::Event::Commit);
    std::ofstream(done) << "made\n";
    return files;
}

}  // namespace bench_support
