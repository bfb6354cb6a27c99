// fathomsim: a simulated instrument (or radio network) behind a pseudo-terminal. Prints the
// terminal's path on the first line of standard output; runs until SIGINT or SIGTERM.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/warped_clock.h"
#include "pty_bridge.h"
#include "sim/data_logger.h"
#include "sim/sim_network.h"

namespace {

volatile bool stopRequested = false;
void onSignal(int) { stopRequested = true; }

void usage(std::FILE* to) {
    std::fprintf(
        to,
        "usage: fathomsim [--type N | --scenario NAME] [--variant NAME] [--seed N] [--link PATH]\n"
        "                 [--log FILE]\n"
        "  --type N         unit type 0-9 (0, 1, 2: a radio network of that type;\n"
        "                   8 a data logger; 3-6, 9 a wired unit; 7 the synchronizer)\n"
        "  --scenario NAME  one of:");
    for (const std::string& name : sim::scenarioNames()) std::fprintf(to, " %s", name.c_str());
    std::fprintf(to, "\n  --variant NAME   how the units depart from the plain ones:\n");
    for (const std::string& name : sim::variantNames())
        std::fprintf(to, "      %-18s %s\n", name.c_str(), sim::variantNamed(name)->summary.c_str());
    std::fprintf(to,
                 "  --seed N         another sea, other unit details and the variant's other\n"
                 "                   choices; the same seed plays the same run\n"
                 "  --link PATH      also make PATH a symbolic link to the terminal\n"
                 "  --log FILE       write every byte sent to the terminal, unchanged, to FILE\n"
                 "  --drop-block N   the data logger's flash card loses block N (from 0) of every\n"
                 "                   upload and everything after it\n"
                 "  --clock-ahead S  the units' clocks start S seconds ahead of this computer's\n"
                 "                   (negative: behind)\n"
                 "  --clock-drift P  and run P parts per million fast (negative: slow)\n"
                 "Clock syncs the units take are reported on standard error.\n"
                 "FATHOM_CLOCK=start=YYYY-MM-DDThh:mm:ss[,day=S][,at=...] in the environment\n"
                 "warps the calendar as it warps fathomhost's (see its README).\n");
}

// A mistake on the command line: the one thing that is wrong, and where the rest is told.
int refuse(const std::string& what) {
    std::fprintf(stderr, "fathomsim: %s\nRun \"fathomsim --help\" for every option.\n",
                 what.c_str());
    return 2;
}

// A number option's value, whole and within bounds, or nothing.
std::optional<long> wholeNumber(const char* text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || v < low || v > high) return std::nullopt;
    return v;
}

std::optional<double> realNumber(const char* text) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

// This computer's local time to the millisecond: the units' clocks are set against it.
platform::AbsTime localNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const double fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(t)).count();
    std::tm c{};
    localtime_r(&t, &c);
    return platform::toAbsTime(
               {c.tm_year + 1900, c.tm_mon + 1, c.tm_mday, c.tm_hour, c.tm_min, c.tm_sec, 0}) +
           fraction;
}

}  // namespace

int main(int argc, char** argv) {
    std::string scenario = "radio";
    std::string variantName = "plain";
    std::string link;
    std::string log;
    unsigned seed = 1;
    int dropBlock = -1;
    double clockAhead = 0, clockDrift = 0;
    bool setClocks = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        const bool takesValue = arg == "--type" || arg == "--scenario" || arg == "--variant" ||
                                arg == "--seed" || arg == "--link" || arg == "--log" ||
                                arg == "--drop-block" || arg == "--clock-ahead" ||
                                arg == "--clock-drift";
        if (!takesValue) return refuse("unknown option " + arg);
        if (i + 1 >= argc) return refuse(arg + " needs a value");
        const char* value = argv[++i];
        const auto bad = [&] { return refuse("bad value for " + arg + ": " + value); };
        if (arg == "--type") {
            const auto type = wholeNumber(value, 0, 9);
            if (!type) return bad();
            scenario = sim::scenarioForType(static_cast<int>(*type));
        } else if (arg == "--scenario") {
            scenario = value;
        } else if (arg == "--variant") {
            variantName = value;
        } else if (arg == "--seed") {
            const auto n = wholeNumber(value, 0, 4294967295L);
            if (!n) return bad();
            seed = static_cast<unsigned>(*n);
        } else if (arg == "--link") {
            link = value;
        } else if (arg == "--log") {
            log = value;
        } else if (arg == "--drop-block") {
            const auto n = wholeNumber(value, 0, 1L << 30);
            if (!n) return bad();
            dropBlock = static_cast<int>(*n);
        } else {
            const auto v = realNumber(value);
            if (!v) return bad();
            (arg == "--clock-ahead" ? clockAhead : clockDrift) = *v;
            setClocks = true;
        }
    }
    const std::optional<sim::Variant> variant = sim::variantNamed(variantName, seed);
    if (!variant) {
        return refuse("unknown variant \"" + variantName + "\"");
    }
    // FATHOM_CLOCK: the calendar warped as fathomhost warps it with the same text, so that
    // both live the same midnights.
    const platform::AbsTime realStart = localNow();
    const auto steadyStart = std::chrono::steady_clock::now();
    std::optional<platform::ClockWarp> warp;
    if (const char* text = std::getenv("FATHOM_CLOCK"); text && *text) {
        std::string why;
        warp = platform::parseClockWarp(text, realStart, why);
        if (!warp) {
            std::fprintf(stderr, "fathomsim: FATHOM_CLOCK: %s\n", why.c_str());
            return 2;
        }
    }
    // Real time from the steady clock, so a step of the computer's clock moves nothing.
    const auto now = [&] {
        const platform::AbsTime real =
            realStart +
            std::chrono::duration<double>(std::chrono::steady_clock::now() - steadyStart).count();
        return warp ? warp->map(real) : real;
    };
    auto device = sim::makeScenario(scenario, now(), seed, *variant);
    if (!device) {
        return refuse("unknown scenario \"" + scenario + "\"");
    }
    if (setClocks) device->setClocks(clockAhead, clockDrift);
    if (auto* adapter = dynamic_cast<sim::XBeeAdapter*>(device.get())) {
        for (auto& unit : adapter->units())
            if (auto* logger = dynamic_cast<sim::DataLogger*>(unit.get()))
                logger->flashCard().dropBlock = dropBlock;
    }
    tools::PtyBridge bridge;
    if (!bridge.open()) {
        std::fprintf(stderr, "fathomsim: %s\n", bridge.error().c_str());
        return 1;
    }
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(bridge.path().c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "fathomsim: cannot link %s to %s\n", link.c_str(),
                         bridge.path().c_str());
            return 1;
        }
    }
    int logFd = -1;
    if (!log.empty()) {
        logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (logFd < 0) {
            std::fprintf(stderr, "fathomsim: cannot write %s\n", log.c_str());
            return 1;
        }
        bridge.logTo(logFd);
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::printf("%s\n", bridge.path().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "fathomsim: %s at %d baud on %s, variant %s, seed %u\n",
                 device->description().c_str(), device->baud(), bridge.path().c_str(),
                 variant->name.c_str(), seed);
    bridge.run(*device, stopRequested, now);
    if (!link.empty()) unlink(link.c_str());
    if (logFd >= 0) ::close(logFd);
    std::fprintf(stderr, "fathomsim: stopped\n");
    return 0;
}
