#include "sim/xbee_adapter.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <string_view>

#include "link/api_frame_codec.h"

namespace sim {

namespace {

using links::kAtCommand;
using links::kAtResponse;
using links::kReceivePacket;
using links::kRemoteAtCommand;
using links::kRemoteAtResponse;
using links::kTransmitRequest;
using links::kTransmitStatus;
constexpr std::uint64_t kBroadcast = links::kBroadcastAddress;

std::uint64_t readAddress(std::span<const std::uint8_t> f, std::size_t at) {
    return links::readAddress(&f[at]);
}

void putAddress(std::vector<std::uint8_t>& out, std::uint64_t a) {
    out.resize(out.size() + 8);
    links::putAddress(&out[out.size() - 8], a);
}

// The 16-bit network address a unit's radio picked when it joined; never 0xFFFE ("unknown").
std::uint16_t shortAddress(std::uint64_t a) {
    auto s = static_cast<std::uint16_t>((a * 0x9E37u) & 0x7FFF);
    return s == 0 ? 1 : s;
}

void putShort(std::vector<std::uint8_t>& out, std::uint16_t s) {
    out.push_back(static_cast<std::uint8_t>(s >> 8));
    out.push_back(static_cast<std::uint8_t>(s & 0xFF));
}

}  // namespace

XBeeAdapter::XBeeAdapter(platform::AbsTime start, std::uint64_t panId)
    : SimDevice(start), panId_(panId), savedPanId_(panId) {}

RadioUnit& XBeeAdapter::add(std::unique_ptr<RadioUnit> unit) {
    units_.push_back(std::move(unit));
    return *units_.back();
}

RadioUnit* XBeeAdapter::find(std::uint64_t address) {
    for (auto& u : units_)
        if (u->address() == address) return u.get();
    return nullptr;
}

bool XBeeAdapter::reachable(const RadioUnit& unit) const { return unit.panId() == panId_; }

void XBeeAdapter::receive(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes)
        if (frames_.feed(b)) {
            const auto f = frames_.frame();
            handleFrame(std::vector<std::uint8_t>(f.begin(), f.end()));
        }
}

void XBeeAdapter::handleFrame(std::span<const std::uint8_t> f) {
    if (f.size() < 2) return;
    switch (f[0]) {
    case kAtCommand: localAt(f); break;
    case kRemoteAtCommand: remoteAt(f); break;
    case kTransmitRequest: transmit(f); break;
    default: break;  // the adapter ignores frame types it does not take
    }
}

void XBeeAdapter::sendFrame(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes;
    // Stray bytes on a noisy line, between frames: anything but the frame start.
    if (variant().noiseShare > 0 &&
        std::uniform_real_distribution<double>(0, 1)(random_) < variant().noiseShare) {
        const int n = std::uniform_int_distribution<int>(1, 5)(random_);
        for (int i = 0; i < n; ++i) {
            auto b = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(random_));
            bytes.push_back(b == 0x7E ? 0x00 : b);  // 0x7E would start a frame
        }
    }
    FrameLayer::encode(data, bytes);
    send(bytes);
}

void XBeeAdapter::localAt(std::span<const std::uint8_t> f) {
    if (f.size() < 4) return;
    const std::string_view cmd(reinterpret_cast<const char*>(&f[2]), 2);
    const auto param = f.subspan(4);
    std::vector<std::uint8_t> r{kAtResponse, f[1], f[2], f[3], kOk};
    if (cmd == "ID" && param.empty()) {
        putAddress(r, panId_);
    } else if (cmd == "ID" && param.size() == 8) {
        panId_ = readAddress(param, 0);
    } else if (cmd == "ID") {
        r[4] = kInvalidParameter;
    } else if (cmd == "WR") {
        savedPanId_ = panId_;
    } else {
        r[4] = kInvalidCommand;
    }
    if (f[1] != 0) sendFrame(r);
}

void XBeeAdapter::remoteAt(std::span<const std::uint8_t> f) {
    if (f.size() < 15) return;
    const std::uint64_t dest = readAddress(f, 2);
    const std::string_view cmd(reinterpret_cast<const char*>(&f[13]), 2);
    const auto param = f.subspan(15);
    RadioUnit* unit = find(dest);
    std::vector<std::uint8_t> r{kRemoteAtResponse, f[1]};
    putAddress(r, dest);
    putShort(r, unit ? shortAddress(dest) : 0xFFFE);
    r.push_back(f[13]);
    r.push_back(f[14]);
    if (!unit || !reachable(*unit) || !unit->awake(now())) {
        r.push_back(kTransmissionFailed);
        sendFrame(r);
        return;
    }
    // A text the unit's own processor takes (the data logger's "#3P0WM"): it answers in a
    // receive packet of its own.
    std::vector<std::string> texts;
    if (unit->remoteText(std::string_view(reinterpret_cast<const char*>(&f[13]), f.size() - 13), texts)) {
        sendFromUnit(*unit, texts);
        return;
    }
    std::uint64_t newPan = 0;
    bool changePan = false;
    if (cmd == "ID" && param.empty()) {
        r.push_back(kOk);
        putAddress(r, unit->panId());
    } else if (cmd == "ID" && param.size() == 8) {
        r.push_back(kOk);
        newPan = readAddress(param, 0);
        changePan = true;
    } else if (cmd == "WR") {
        r.push_back(kOk);
        unit->savePanId();
    } else {
        r.push_back(cmd == "ID" ? kInvalidParameter : kInvalidCommand);
    }
    sendFrame(r);
    // The radio answers on the old network, then moves (the request asked to apply changes).
    if (changePan) unit->setPanId(newPan);
}

void XBeeAdapter::transmit(std::span<const std::uint8_t> f) {
    if (f.size() < 14) return;
    ++transmitRequests_;
    const std::uint64_t dest = readAddress(f, 2);
    const std::string_view text(reinterpret_cast<const char*>(f.data() + 14), f.size() - 14);
    std::uint8_t status = kAddressNotFound;
    std::vector<std::pair<RadioUnit*, std::vector<std::string>>> replies;
    for (auto& u : units_) {
        if (!reachable(*u) || (dest != kBroadcast && u->address() != dest)) continue;
        const bool isPower = text.substr(0, 3) == "BP,";
        if (!isPower && !u->awake(now())) {
            if (dest != kBroadcast) status = kNoAck;
            continue;
        }
        status = kDelivered;
        replies.emplace_back(u.get(), std::vector<std::string>{});
        const double before = u->clock().read(now()) - now();
        u->command(now(), text, replies.back().second);
        delayReplies(*u, text, replies.back().second);
        if (text.substr(0, 3) == "ZS,") {
            // When it was taken, on the computer's clock: against the time the program
            // sent it, what the line (and the machine) took to bring it.
            const platform::CalendarTime at = platform::toCalendar(now());
            char line[160];
            std::snprintf(line, sizeof line,
                          "unit %016llX clock sync: %+.3f s ahead before, %+.3f s after, "
                          "taken at %02d:%02d:%02d.%03d",
                          static_cast<unsigned long long>(u->address()), before,
                          u->clock().read(now()) - now(), at.hour, at.minute, at.second,
                          at.millisecond);
            note(line);
        }
    }
    if (dest == kBroadcast) status = kDelivered;
    if (f[1] != 0) {
        std::vector<std::uint8_t> r{kTransmitStatus, f[1]};
        putShort(r, dest == kBroadcast ? 0xFFFE : shortAddress(dest));
        r.insert(r.end(), {0, status, 0});
        sendFrame(r);
    }
    for (auto& [unit, texts] : replies) sendFromUnit(*unit, texts);
}

void XBeeAdapter::sendFromUnit(const RadioUnit& unit, const std::vector<std::string>& texts) {
    for (const std::string& t : texts) {
        std::vector<std::uint8_t> r{kReceivePacket};
        putAddress(r, unit.address());
        putShort(r, shortAddress(unit.address()));
        r.push_back(0x01);  // receive options: acknowledged
        r.insert(r.end(), t.begin(), t.end());
        sendFrame(r);
    }
}

void XBeeAdapter::step() {
    const Variant& v = variant();
    if (v.jumpAfter > 0 && !clocksJumped_ && now() >= jumpAt_) {
        clocksJumped_ = true;
        for (auto& u : units_) u->clock().set(now(), u->clock().read(now()) + v.jumpSeconds);
        char text[64];
        std::snprintf(text, sizeof text, "every unit's clock jumped %+.0f s", v.jumpSeconds);
        note(text);
    }
    std::vector<std::string> texts;
    for (auto& u : units_) {
        texts.clear();
        u->sendDue(now(), texts);
        u->advance(now(), texts);
        if (reachable(*u)) sendFromUnit(*u, texts);
    }
}

}  // namespace sim

namespace sim {

void XBeeAdapter::setClocks(double aheadSeconds, double driftPpm) {
    for (auto& u : units_) u->clock().reset(now(), aheadSeconds, driftPpm);
}

namespace {

// A reply of text, which a radio may cut or join; the data logger's flash-card blocks are
// one frame each, whatever their length.
bool textReply(const std::string& t) {
    return t.size() > 1 && t[0] == '$' &&
           !(t.size() > 2 && t[1] == 'O' && (t[2] == 'O' || t[2] == 'R' || t[2] == 'A'));
}

// The host's time-outs: a read is sent again after 3 s, a write after 10.5 s.
constexpr double kReadTimeout = 3.0, kWriteTimeout = 10.5;

}  // namespace

// A unit of a variant that answers slowly, late, twice, in parts or joined: its replies go on
// its queue of later replies instead of out at once.
void XBeeAdapter::delayReplies(RadioUnit& unit, std::string_view command,
                               std::vector<std::string>& texts) {
    const Variant& v = variant();
    const bool delays = v.replyDelayMax > 0 || v.justInside;
    if (!delays && !v.duplicateReplies && !v.splitReplies && v.joinShare <= 0) return;
    std::uniform_real_distribution<double> share(0, 1);
    for (std::string& t : texts) {
        if (v.joinShare > 0 && textReply(t)) {
            std::string& held = heldReplies_[unit.address()];
            if (held.empty() && share(random_) < v.joinShare) {
                held = std::move(t);
                continue;
            }
            t = std::exchange(held, {}) + t;
        }
        double wait = 0;
        if (delays && share(random_) < v.replyDelayShare) {
            const double timeout = !command.empty() && command[0] == 'W' ? kWriteTimeout
                                                                         : kReadTimeout;
            wait = v.justInside
                       ? timeout * std::uniform_real_distribution<double>(0.85, 0.97)(random_)
                       : std::uniform_real_distribution<double>(v.replyDelayMin,
                                                                v.replyDelayMax)(random_);
        }
        double at = now() + wait;
        if (v.duplicateReplies) unit.later(at + 0.3, t);
        if (!v.splitReplies || !textReply(t) || t.size() < 3) {
            unit.later(at, std::move(t));
            continue;
        }
        // Cut at one or two places, never before the first character. A unit's radio sends
        // in order: the parts go after whatever of the unit's is still on its way.
        double& queued = queuedUntil_[unit.address()];
        at = std::max(at, queued);
        std::uniform_int_distribution<std::size_t> cut(1, t.size() - 1);
        std::size_t first = cut(random_), second = cut(random_);
        if (first > second) std::swap(first, second);
        if (share(random_) < 0.5) second = first;
        for (const auto& [from, to] : {std::pair{std::size_t{0}, first}, std::pair{first, second},
                                      std::pair{second, t.size()}}) {
            if (to <= from) continue;
            unit.later(at, t.substr(from, to - from));
            queued = at;
            at += v.partGap;
        }
    }
    texts.clear();
}

void XBeeAdapter::setVariant(const Variant& v) {
    SimDevice::setVariant(v);
    random_.seed(v.seed);
    for (auto& u : units_) u->setVariant(v);
    jumpAt_ = now() + v.jumpAfter;
    if (v.clocksOff) {
        std::uniform_real_distribution<double> ahead(-60, 60), ppm(-500, 500);
        for (auto& u : units_) u->clock().reset(now(), ahead(random_), ppm(random_));
    }
}

}  // namespace sim
