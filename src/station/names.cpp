#include "station/names.h"

#include <charconv>

namespace station {

namespace {
constexpr std::string_view kRoot = "fathom/";

bool plainChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '_' || c == '.';
}
}  // namespace

std::string stationNameProblem(std::string_view name) {
    if (name.empty()) return "a station needs a name";
    if (name.size() > kMaxStationName) {
        return "a station name has at most " + std::to_string(kMaxStationName) + " characters";
    }
    for (char c : name) {
        if (plainChar(c)) continue;
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return "a station name holds no control characters";
        if (c == '/' || c == '\\') return "a station name holds no slashes";
        return std::string("a station name holds only letters, digits, '-', '_' and '.', not '") +
               c + "'";
    }
    if (name.front() == '.' || name.front() == '-') {
        return "a station name does not start with '.' or '-'";
    }
    return {};
}

std::optional<BrokerUrl> parseBrokerUrl(std::string_view url, std::string& why) {
    BrokerUrl b;
    if (url.starts_with("mqtt://")) {
        url.remove_prefix(7);
    } else if (url.starts_with("mqtts://")) {
        url.remove_prefix(8);
        b.tls = true;
    } else {
        why = "a broker address starts with mqtt:// or mqtts://";
        return std::nullopt;
    }
    if (!url.empty() && url.back() == '/') url.remove_suffix(1);
    std::string_view port;
    if (url.starts_with("[")) {
        const auto close = url.find(']');
        if (close == std::string_view::npos) {
            why = "an IPv6 address ends in ']'";
            return std::nullopt;
        }
        b.host = std::string(url.substr(1, close - 1));
        url.remove_prefix(close + 1);
        if (url.starts_with(":")) port = url.substr(1);
        else if (!url.empty()) {
            why = "after the host comes :port";
            return std::nullopt;
        }
    } else {
        const auto colon = url.find(':');
        b.host = std::string(url.substr(0, colon));
        if (colon != std::string_view::npos) port = url.substr(colon + 1);
    }
    if (b.host.empty() || b.host.find_first_of("/@ ") != std::string::npos) {
        why = "the broker address names no host";
        return std::nullopt;
    }
    b.port = b.tls ? 8883 : 1883;
    if (!port.empty() || url.ends_with(":")) {
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), b.port);
        if (ec != std::errc() || end != port.data() + port.size() || b.port < 1 ||
            b.port > 65535) {
            why = "the port is a number from 1 to 65535";
            return std::nullopt;
        }
    }
    return b;
}

std::string recordsTopic(std::string_view station) {
    return std::string(kRoot).append(station).append("/records");
}

std::string statusTopic(std::string_view station) {
    return std::string(kRoot).append(station).append("/status");
}

std::optional<std::string_view> stationOfTopic(std::string_view topic, std::string_view kind) {
    if (!topic.starts_with(kRoot)) return std::nullopt;
    topic.remove_prefix(kRoot.size());
    if (topic.size() <= kind.size() || !topic.ends_with(kind) ||
        topic[topic.size() - kind.size() - 1] != '/') {
        return std::nullopt;
    }
    return topic.substr(0, topic.size() - kind.size() - 1);
}

}  // namespace station
