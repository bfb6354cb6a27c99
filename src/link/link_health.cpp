#include "link/link_health.h"

#include <cmath>
#include <cstdio>

#include "platform/rgb.h"

namespace links {

namespace {

// After this long without a good frame the port's bytes are looked at, so that the warning
// that follows can say what they are.
constexpr double kSniffAfterMs = 2000;

std::string rateText(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", rate);
    return text;
}

}  // namespace

LinkHealth::LinkHealth(platform::Panel& panel, const platform::Clock& clock,
                       const platform::Session& session, const LinkState& links,
                       ReceivePaths& receive)
    : panel_(panel), clock_(clock), session_(session), links_(links), receive_(receive) {}

void LinkHealth::tick() {
    const double nowMs = clock_.processorMs();
    for (PortId p : {PortId::A, PortId::B}) tick(p, nowMs);
}

void LinkHealth::tick(PortId p, double nowMs) {
    Port& s = at(p);
    const int number = p == PortId::A ? links_.OpenComPortNum_A : links_.OpenComPortNum_B;
    if (number == 0 || platform::linkKind(session_.UnitType) == platform::LinkKind::None) {
        if (s.number != 0) {
            s = Port{};
            receive_.sniff(p, false);
            show(p);
        }
        return;
    }
    const ReceivePaths::Counters counters = receive_.counters(p);
    if (number != s.number) {
        // Just opened (or another port in its place): everything counts from now.
        s = Port{};
        s.number = number;
        s.base = receive_.countersAtOpen(p);
        s.now = s.base;
        s.lastGoodMs = receive_.openedMs(p);
        s.times.fill(s.lastGoodMs);
        s.records.fill(s.base.records);
        s.filled = 1;
    }
    s.configuring = configuring && configuring(p);
    if (counters.goodFrames != s.now.goodFrames || s.configuring) {
        // A unit being configured is silent by the program's own doing: the silence counts
        // from when it runs again.
        s.lastGoodMs = nowMs;
        s.anyGood = true;
        receive_.sniff(p, false);
    } else if (nowMs - s.lastGoodMs >= kSniffAfterMs) {
        receive_.sniff(p, true);
    }
    s.now = counters;

    // Records per second over the last few ticks.
    for (int i = kRateSeconds; i > 0; --i) {
        s.records[static_cast<std::size_t>(i)] = s.records[static_cast<std::size_t>(i - 1)];
        s.times[static_cast<std::size_t>(i)] = s.times[static_cast<std::size_t>(i - 1)];
    }
    s.records[0] = counters.records;
    s.times[0] = nowMs;
    const auto oldest = static_cast<std::size_t>(s.filled);
    const double span = (nowMs - s.times[oldest]) / 1000.0;
    s.rate = oldest > 0 && span > 0
                 ? static_cast<double>(counters.records - s.records[oldest]) / span
                 : 0;
    if (s.filled < kRateSeconds) ++s.filled;

    const int silent = secondsWithoutData(p);
    if (silent >= kSilentSeconds) {
        s.warning = std::string("No valid data on ") + desc(p).name + " for " +
                    std::to_string(silent) + " s. " + hint(p);
    } else {
        s.warning.clear();
    }
    show(p);
}

int LinkHealth::secondsWithoutData(PortId p) const {
    const Port& s = at(p);
    if (s.number == 0) return 0;
    return static_cast<int>(std::floor((clock_.processorMs() - s.lastGoodMs) / 1000.0 + 1e-6));
}

// What the bytes of a port without valid data suggest. The unit types fall in two families
// that cannot read each other: the radio adapter speaks API frames at 115200 baud, the wired
// units and the synchronizer lines of text at 9600 or 38400 baud.
std::string LinkHealth::hint(PortId p) const {
    const int type = session_.UnitType;
    const bool radio = platform::isRadioType(type);
    switch (receive_.looksLike(p)) {
        case ByteLook::ApiFrames:
            if (!radio) {
                return "The bytes look like a radio adapter's API frames: is the unit type "
                       "right? Radio units are types 0, 1, 2 and 8.";
            }
            break;
        case ByteLook::TextLines:
            if (radio) {
                return "The bytes look like the text records of a wired unit: is the unit type "
                       "right? Wired units are types 3 to 7 and 9.";
            }
            return "Lines of text arrive, but none is a record of unit type " +
                   std::to_string(type) + ": is the unit type right?";
        case ByteLook::Garbage:
            return "The bytes make no sense at " + std::to_string(platform::baudFor(type)) +
                   " baud: is the unit set to another baud rate, or is another kind of unit "
                   "on this port?";
        case ByteLook::Nothing:
            break;
    }
    return radio ? "Are the units powered, in range and on the adapter's PAN ID?"
                 : "Is the unit powered, its cable in and its serial output on?";
}

std::string LinkHealth::summary(PortId p) const {
    const Port& s = at(p);
    if (s.number == 0) return "";
    const ReceivePaths::Counters& n = s.now;
    const ReceivePaths::Counters& b = s.base;
    std::string text = s.configuring ? "configure mode, " : "";
    text += std::to_string(n.bytes - b.bytes) + " bytes, " +
                       std::to_string(n.goodFrames - b.goodFrames) + " frames, ";
    const std::uint64_t checksum = n.badChecksums - b.badChecksums;
    const std::uint64_t length = n.badLengths - b.badLengths;
    const std::uint64_t noise = n.noise - b.noise;
    text += std::to_string(checksum + length + noise) + " rejected";
    if (checksum + length + noise > 0) {
        text += " (checksum " + std::to_string(checksum) + ", length " + std::to_string(length) +
                ", noise " + std::to_string(noise) + ")";
    }
    text += ", " + rateText(s.rate) + " records/s, ";
    if (!s.configuring) {
        text += s.anyGood ? "last frame " + std::to_string(secondsWithoutData(p)) + " s ago"
                          : "no frame yet";
    } else {
        text += "the unit does not stream while it is configured";
    }
    return text;
}

void LinkHealth::show(PortId p) {
    const PortDesc& d = desc(p);
    const Port& s = at(p);
    const bool open = s.number != 0;
    panel_.setVisible(d.health, open);
    if (open) {
        const std::string name(d.name);
        panel_.setText(d.health, "Port " + name.substr(5) + ": " + summary(p));
    }
    panel_.setText(d.warning, s.warning);
    panel_.setTextColor(d.warning, platform::kRed);
    panel_.setVisible(d.warning, !s.warning.empty());
}

}  // namespace links
