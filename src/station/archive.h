#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "station/payload.h"

namespace station {

// The collector's archive: each station's records under DIR/<station>/ in numbered CSV files
// named and rolled over as the recorder names and rolls over its own
// (DIR/north-01/north-01000.csv, ...001.csv each `interval` days by the station's date), so
// that playback and --analyze read them as they read a recording.
//
// Messages are written in the order of their numbers, each once: a repeat (QoS 1 delivers at
// least once) is dropped, and one that comes early (live data sent while the station's
// backlog still drains) is held in DIR/<station>/.held/ until the ones before it have come.
// A number is given up only when the station has shown (by the floor of a later message) that
// the broker had it, and it still has not come after a grace time: the archive then says
// which messages it lacks. Each station's state is in DIR/<station>/.collector-state, locked
// while a message is handled, so collectors that share the subscription (and the folder)
// write each station's files together without a repeat or a gap.
class Archive {
  public:
    using Print = std::function<void(const std::string&)>;
    struct Options {
        std::string dir;
        int interval = 1;            // days per file, 1-98; 99 = one continuous file
        double gapGraceSeconds = 30;  // how long a missing message is waited for
    };
    Archive(Options options, Print out, Print err);

    // A message arrived on topic; now is the time in seconds (any fixed origin).
    void message(std::string_view topic, std::span<const char> payload, double now);
    // Once a second: missing messages waited for long enough are given up; held messages
    // whose file could not be written are tried again.
    void tick(double now);

    struct Counts {
        std::uint64_t messages = 0;    // records messages written to the archive
        std::uint64_t bytes = 0;       // record bytes written
        std::uint64_t duplicates = 0;  // repeats dropped
        std::uint64_t held = 0;        // messages that came early and were held
        std::uint64_t refused = 0;     // messages dropped: unsafe station name or not a message
    };
    const Counts& counts() const { return counts_; }

  private:
    struct State;
    class Lock;
    void records(const std::string& station, std::span<const char> payload, double now);
    void status(const std::string& station, std::span<const char> payload);
    bool write(const std::string& station, State& st, const RecordsMessage& m);
    void drain(const std::string& station, State& st);
    void giveUpGap(const std::string& station, State& st, bool all);
    std::uint64_t lowestHeld(const std::string& station) const;
    std::string stationDir(const std::string& station) const;
    std::string heldPath(const std::string& station, std::uint64_t seq) const;
    bool refuseName(std::string_view station);

    Options o_;
    Print out_, err_;
    Counts counts_;
    std::map<std::string, bool> online_;
    std::set<std::string> refusedNames_;
    std::set<std::string> pending_;  // stations with held messages
};

}  // namespace station
