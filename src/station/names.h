#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace station {

// Longest station name: it is a topic level and a folder name of the archive.
inline constexpr std::size_t kMaxStationName = 64;

// Why name cannot name a station ("" when it can). A station name is a plain name: 1 to 64
// letters, digits, '-', '_' or '.', not starting with '.' or '-'. So it is never "..", never
// holds a path separator, a control character or an MQTT wildcard, and as a folder of the
// archive it cannot lead outside it.
std::string stationNameProblem(std::string_view name);

// A broker's address as given: "mqtt://host:port" or "mqtts://host:port" (TLS). The port may
// be left out (1883 and 8883); a host may be a bracketed IPv6 address.
struct BrokerUrl {
    bool tls = false;
    std::string host;
    int port = 0;
};
// nullopt with the reason in why when url is not such an address.
std::optional<BrokerUrl> parseBrokerUrl(std::string_view url, std::string& why);

// The topics of a station.
std::string recordsTopic(std::string_view station);
std::string statusTopic(std::string_view station);
// What stands for the station in a topic "fathom/<station>/<kind>" (kind "records" or
// "status"), unchecked: it may be empty or hold slashes. nullopt for other topics.
std::optional<std::string_view> stationOfTopic(std::string_view topic, std::string_view kind);

}  // namespace station
