#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace links {

// Lines of the synchronizer board (unit type 7), each ended by CR, LF or both.
enum class SyncLine : std::uint8_t {
    Other,
    Listing,     // "*..." line of the status listing
    Ident,       // "S" with "N" at 7: identification from position 15
    Head,        // "C" with "R" at 5: five characters from 10 head the unit block
    SampleRate,  // "F" with "F" at 8: two digits at 19 and 20
    Mode,        // "S" with "M" at 7: "c" at 13 sets the mode flag
    TimeUnit,    // "T" with "T" at 5: time-tag unit letter at 10
    ListingEnd,  // "S" with "t" at 8: the last line of the listing
    Clock,       // "0" or "1" with "-" at 2: the board's clock, MM-DD-YY hh:mm:ss
    Data,        // a digit first: one reading per channel, four characters every five
};

// What the board's status listing and clock line tell of it.
struct SyncUnitInfo {
    std::array<char, 6> head{};             // five characters and a NUL
    std::array<char, 19> identification{};  // eighteen characters and a NUL
    int sampleRate = 0;
    int modeFlag = 0;     // 1 = "c" (sample on command)
    int timeTagUnit = 0;  // 0 seconds "n", 1 minutes "m", 2 hours "h", 3 days "d"
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
};

// Collects one line at a time; NUL bytes are dropped.
class SyncLineParser {
  public:
    static constexpr int kLineSize = 141;

    // True when a CR or LF ended a line that is not empty; line() then holds it (the line end
    // included).
    bool feed(std::uint8_t byte);
    std::span<const std::uint8_t> line() const {
        return std::span<const std::uint8_t>(line_).first(static_cast<std::size_t>(length_));
    }

  private:
    std::array<std::uint8_t, kLineSize + 1> line_{};
    int index_ = 0;
    int length_ = 0;
};

// Which kind of line it is in the given connect handshake state (1 listing, 3 clock,
// 5 streaming); Other in any other state.
SyncLine classifySyncLine(std::span<const std::uint8_t> line, int connectStatus);

// Applies a listing or clock line to the unit's information; other kinds leave it.
void applySyncLine(SyncLine kind, std::span<const std::uint8_t> line, SyncUnitInfo& info);

// Channel count of a data line: six on short lines, eight from 33 characters on.
int syncChannelCount(std::span<const std::uint8_t> line);
// The reading of channel c (0-based): four characters at 5c.
long syncReading(std::span<const std::uint8_t> line, int channel);

}  // namespace links
