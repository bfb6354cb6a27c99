#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "link/link_state.h"
#include "link/port_id.h"
#include "link/receive_paths.h"
#include "platform/clock.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace links {

// How each open port is doing, from the receive paths' counters: bytes and frames since it
// opened, frames thrown away, records per second and the age of the last good frame, in the
// window's status bar and the headless status line. A port that gives no valid data for
// kSilentSeconds gets a warning in words on the main panel, with a hint when its bytes look
// like another unit type's; the warning goes again by itself when data flows.
class LinkHealth {
  public:
    static constexpr double kSilentSeconds = 10;
    // Records per second are averaged over this many seconds.
    static constexpr int kRateSeconds = 5;

    LinkHealth(platform::Panel& panel, const platform::Clock& clock,
               const platform::Session& session, const LinkState& links, ReceivePaths& receive);

    // Once a second.
    void tick();

    // The port's figures as one line ("" while the port is closed).
    std::string summary(PortId p) const;
    // The warning shown for the port, "" while its data is good or it is closed.
    const std::string& warning(PortId p) const { return at(p).warning; }
    // Whole seconds since the port's last good frame (or since it opened).
    int secondsWithoutData(PortId p) const;

    // Whether the program has put the port's unit in configure mode (a wired unit stops
    // streaming while it is configured): that silence is no fault, and the port says so.
    std::function<bool(PortId)> configuring;

  private:
    struct Port {
        int number = 0;  // the open port this state belongs to; 0 = closed
        ReceivePaths::Counters base{};
        ReceivePaths::Counters now{};
        double lastGoodMs = 0;
        bool anyGood = false;
        // Records seen at each of the last ticks, for the rate.
        std::array<std::uint64_t, kRateSeconds + 1> records{};
        std::array<double, kRateSeconds + 1> times{};
        int filled = 0;  // earlier ticks held in records and times
        double rate = 0;
        bool configuring = false;
        std::string warning;
    };
    Port& at(PortId p) { return ports_[static_cast<std::size_t>(p)]; }
    const Port& at(PortId p) const { return ports_[static_cast<std::size_t>(p)]; }

    void tick(PortId p, double nowMs);
    std::string hint(PortId p) const;
    void show(PortId p);

    platform::Panel& panel_;
    const platform::Clock& clock_;
    const platform::Session& session_;
    const LinkState& links_;
    ReceivePaths& receive_;
    std::array<Port, 2> ports_{};
};

}  // namespace links
