#include "sim/synchronizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

struct TimeTag {
    const char* name;
    double seconds;
};
constexpr TimeTag kTimeTags[] = {{"min", 60}, {"hour", 3600}, {"day", 86400}};

double tagSeconds(const std::string& name) {
    for (const TimeTag& t : kTimeTags)
        if (name == t.name) return t.seconds;
    return 0;
}

std::string calendarText(platform::AbsTime t) {
    const platform::CalendarTime c = platform::toCalendar(std::floor(t));
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%02d %02d:%02d:%02d", c.month, c.day, c.year % 100,
                  c.hour, c.minute, c.second);
    return text;
}

constexpr double kMaxCatchUp = 600.0;

}  // namespace

Synchronizer::Synchronizer(platform::AbsTime start, int channels, std::uint32_t seed)
    : SimDevice(start), clock_(start, 4.1, 12.0), nextSample_(start) {
    const int n = channels == 6 ? 6 : 8;
    for (int c = 0; c < n; ++c) {
        signals_.emplace_back(seed + static_cast<std::uint32_t>(c), 1.0);
        lengths_.push_back(2.0);
    }
}

std::string Synchronizer::clockText() const { return calendarText(clock_.read(now())); }

void Synchronizer::receive(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) byte(static_cast<char>(b));
}

void Synchronizer::byte(char c) {
    if (afterS_) {
        afterS_ = false;
        if (c == 't') {
            listStatus();
            return;
        }
        menu_ = 's';
        line_.clear();
    }
    if (menu_) {
        if (c == '\n' || c == '\r') {
            if (!line_.empty()) {
                applyLine(menu_, line_);
                menu_ = 0;
            }
        } else if (line_.size() < 64) {
            line_ += c;
        }
        return;
    }
    switch (c) {
    case 'g':
        streaming_ = true;
        nextSample_ = now() + 1.0 / rate_;
        break;
    case 's':
        streaming_ = false;
        afterS_ = true;
        break;
    case 'r': send(clockText() + variant().lineEnd); break;
    case 'f': case 'm': case 't':
        streaming_ = false;
        menu_ = c;
        line_.clear();
        send("* enter value" + variant().lineEnd);
        break;
    default: break;  // line ends and stray bytes
    }
}

void Synchronizer::applyLine(char menu, const std::string& line) {
    switch (menu) {
    case 'f': rate_ = std::clamp(std::atoi(line.c_str()), 1, 64); break;
    case 'm': commandMode_ = line.rfind("command", 0) == 0; break;
    case 't': timeTag_ = tagSeconds(line) > 0 ? line : "none"; break;
    case 's': {
        int mo = 0, d = 0, y = 0, h = 0, mi = 0, s = 0;
        if (std::sscanf(line.c_str(), "%d-%d-%d %d:%d:%d", &mo, &d, &y, &h, &mi, &s) == 6 &&
            mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h < 24 && mi < 60 && s < 60)
            clock_.set(now(), platform::toAbsTime({2000 + y, mo, d, h, mi, s, 0}));
        break;
    }
    default: break;
    }
    send("* ok" + variant().lineEnd);
}

void Synchronizer::listStatus() {
    const std::string& end = variant().lineEnd;
    char text[96];
    send("**** WAVE STAFF SYNCHRONIZER ****" + end);
    std::snprintf(text, sizeof text, "Serial Number: WSS-%dCH-2016-00042", channels());
    send(text + end);
    send("Code Rev: 03.01" + end);
    std::snprintf(text, sizeof text, "Fsample FREQ (Hz): %02d", rate_);
    send(text + end);
    send(std::string("Sample Mode: ") + (commandMode_ ? "command" : "freerun") + end);
    send("Time Tag: " + timeTag_ + end);
    std::snprintf(text, sizeof text, "* channels: %d  clock: %s", channels(), clockText().c_str());
    send(text + end);
    send("System: t=time tag  f=rate  m=mode  s=clock  r=read  g=go" + end);
}

double Synchronizer::level(int c, platform::AbsTime t) const {
    return signals_[static_cast<std::size_t>(c)].level(t + 1.3 * c);
}

std::string Synchronizer::dataLine(platform::AbsTime t) const {
    std::string line;
    for (std::size_t c = 0; c < signals_.size(); ++c) {
        const double fraction = level(static_cast<int>(c), t) / lengths_[c];
        if (c) line += variant().separatorOr(" ");
        line += variant().countText(std::clamp(std::lround(fraction * 4095.0), 0L, 4095L),
                                    static_cast<int>(c));
    }
    return line + std::string(static_cast<std::size_t>(variant().trailingBlanks), ' ') +
           variant().lineEnd;
}

void Synchronizer::step() {
    if (now() - nextSample_ > kMaxCatchUp) nextSample_ = now();
    const double tag = tagSeconds(timeTag_);
    while (nextSample_ <= now()) {
        const platform::AbsTime unitTime = clock_.read(nextSample_);
        if (streaming_ && tag > 0) {
            const auto slot = static_cast<long long>(std::floor(unitTime / tag));
            if (lastTag_ >= 0 && slot != lastTag_)
                send("T " + calendarText(unitTime) + variant().lineEnd);
            lastTag_ = slot;
        }
        if (streaming_) {
            send(dataLine(nextSample_));
            lastLine_ = nextSample_;
        }
        nextSample_ += 1.0 / rate_;
    }
}

}  // namespace sim
