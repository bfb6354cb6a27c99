#include "station/payload.h"

#include <charconv>
#include <cstdio>

namespace station {

namespace {

constexpr std::string_view kMagic = "fathom-records/1 ";
constexpr std::size_t kMaxHeader = 256;
constexpr std::size_t kMaxQueueId = 32;

bool parseUint(std::string_view s, std::uint64_t& out) {
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool parseDay(std::string_view s, Day& d) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    std::uint64_t y = 0, m = 0, day = 0;
    if (!parseUint(s.substr(0, 4), y) || !parseUint(s.substr(5, 2), m) ||
        !parseUint(s.substr(8, 2), day)) {
        return false;
    }
    if (m < 1 || m > 12 || day < 1 || day > 31) return false;
    d = {static_cast<int>(y), static_cast<int>(m), static_cast<int>(day)};
    return true;
}

bool plainId(std::string_view id) {
    if (id.empty() || id.size() > kMaxQueueId) return false;
    for (char c : id) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!ok) return false;
    }
    return true;
}

void appendJsonString(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", u);
            out += esc;
        } else {
            out += c;
        }
    }
    out += '"';
}

void field(std::string& out, std::string_view name) {
    if (out.size() > 1) out += ',';
    appendJsonString(out, name);
    out += ':';
}

}  // namespace

std::string recordsHeaderLine(const RecordsHeader& h, std::size_t bytes) {
    char day[16];
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", h.day.year, h.day.month, h.day.day);
    return std::string(kMagic) + "queue=" + h.queue + " seq=" + std::to_string(h.seq) +
           " floor=" + std::to_string(h.floor) + " day=" + day +
           " bytes=" + std::to_string(bytes) + "\n";
}

std::optional<RecordsMessage> parseRecordsMessage(std::span<const char> payload) {
    const std::string_view all(payload.data(), payload.size());
    const auto eol = all.find('\n');
    if (eol == std::string_view::npos || eol > kMaxHeader || !all.starts_with(kMagic)) {
        return std::nullopt;
    }
    std::string_view line = all.substr(kMagic.size(), eol - kMagic.size());
    RecordsMessage m;
    std::uint64_t bytes = 0;
    bool haveQueue = false, haveSeq = false, haveFloor = false, haveDay = false,
         haveBytes = false;
    while (!line.empty()) {
        const auto space = line.find(' ');
        const std::string_view item = line.substr(0, space);
        line = space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
        const auto eq = item.find('=');
        if (eq == std::string_view::npos) continue;  // a later version's flag
        const std::string_view key = item.substr(0, eq), value = item.substr(eq + 1);
        if (key == "queue") {
            if (!plainId(value)) return std::nullopt;
            m.header.queue = std::string(value);
            haveQueue = true;
        } else if (key == "seq") {
            haveSeq = parseUint(value, m.header.seq) && m.header.seq > 0;
            if (!haveSeq) return std::nullopt;
        } else if (key == "floor") {
            haveFloor = parseUint(value, m.header.floor) && m.header.floor > 0;
            if (!haveFloor) return std::nullopt;
        } else if (key == "day") {
            haveDay = parseDay(value, m.header.day);
            if (!haveDay) return std::nullopt;
        } else if (key == "bytes") {
            haveBytes = parseUint(value, bytes);
            if (!haveBytes) return std::nullopt;
        }
    }
    if (!haveQueue || !haveSeq || !haveFloor || !haveDay || !haveBytes) return std::nullopt;
    if (m.header.floor > m.header.seq || bytes != all.size() - eol - 1) return std::nullopt;
    m.records = payload.subspan(eol + 1);
    return m;
}

std::string statusJson(const StatusInfo& s) {
    std::string out = "{";
    field(out, "station");
    appendJsonString(out, s.station);
    field(out, "online");
    out += s.online ? "true" : "false";
    field(out, "version");
    appendJsonString(out, s.version);
    field(out, "unitType");
    out += std::to_string(s.unitType);
    field(out, "ports");
    out += '[';
    for (std::size_t i = 0; i < s.ports.size(); ++i) {
        if (i > 0) out += ',';
        std::string port = "{";
        field(port, "port");
        appendJsonString(port, s.ports[i].name);
        field(port, "path");
        appendJsonString(port, s.ports[i].path);
        field(port, "health");
        appendJsonString(port, s.ports[i].health);
        out += port + '}';
    }
    out += ']';
    field(out, "recording");
    appendJsonString(out, s.recording);
    field(out, "queueMessages");
    out += std::to_string(s.queueMessages);
    field(out, "queueBytes");
    out += std::to_string(s.queueBytes);
    field(out, "problem");
    appendJsonString(out, s.problem);
    field(out, "time");
    appendJsonString(out, s.time);
    return out + '}';
}

std::string offlineJson(std::string_view station) {
    std::string out = "{";
    field(out, "station");
    appendJsonString(out, station);
    field(out, "online");
    return out + "false}";
}

std::optional<bool> statusOnline(std::string_view json) {
    constexpr std::string_view kKey = "\"online\"";
    const auto at = json.find(kKey);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = json.substr(at + kKey.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == ':' || rest.front() == '\t'))
        rest.remove_prefix(1);
    if (rest.starts_with("true")) return true;
    if (rest.starts_with("false")) return false;
    return std::nullopt;
}

}  // namespace station
