#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace station {

// A calendar day of the station's clock.
struct Day {
    int year = 0, month = 0, day = 0;
    bool operator==(const Day&) const = default;
};

// What a records message says of itself. The identity of a message is (queue, seq): queue
// names the station's store-and-forward queue (made once, kept across restarts), seq counts
// the messages of that queue from 1 without a gap. floor is the lowest seq the station still
// held unacknowledged when it sent the message: every message below it had reached the
// broker before this one. day is the station's date when the message's first record came.
struct RecordsHeader {
    std::string queue;
    std::uint64_t seq = 0;
    std::uint64_t floor = 0;
    Day day;
};

struct RecordsMessage {
    RecordsHeader header;
    std::span<const char> records;  // the recorder's bytes, whole records ending in CR LF
};

// The first line of a records message:
// "fathom-records/1 queue=<id> seq=<n> floor=<n> day=<YYYY-MM-DD> bytes=<n>\n"; the records
// follow it unchanged.
std::string recordsHeaderLine(const RecordsHeader& h, std::size_t bytes);
// The message in payload; nullopt for anything that is not one, in whole (outside input:
// every field is checked, the byte count must match).
std::optional<RecordsMessage> parseRecordsMessage(std::span<const char> payload);

// The retained status of a station, as JSON.
struct StatusPort {
    std::string name;    // "A", "B", "output"
    std::string path;    // "/dev/ttyUSB0"
    std::string health;  // the link-health line of the port, "" when none
};
struct StatusInfo {
    std::string station;
    bool online = true;
    std::string version;
    int unitType = -1;
    std::vector<StatusPort> ports;
    std::string recording;  // the file being written, "" when none
    std::uint64_t queueMessages = 0;
    std::uint64_t queueBytes = 0;
    std::string problem;  // what holds the queue (disk full, over its limit), "" when nothing
    std::string time;     // the station's time of the status, "YYYY-MM-DDThh:mm:ss"
};
std::string statusJson(const StatusInfo& s);
// The message the broker publishes for a station that vanishes (its last will).
std::string offlineJson(std::string_view station);
// The "online" field of a status message; nullopt when there is none.
std::optional<bool> statusOnline(std::string_view json);

}  // namespace station
