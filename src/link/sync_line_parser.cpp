#include "link/sync_line_parser.h"

#include <algorithm>

#include "link/wired_record.h"

namespace links {

namespace {

char charAt(std::span<const std::uint8_t> line, std::size_t pos) {
    return pos < line.size() ? static_cast<char>(line[pos]) : '\0';
}

std::span<const std::uint8_t> field(std::span<const std::uint8_t> line, std::size_t pos,
                                    std::size_t count) {
    if (pos >= line.size()) return {};
    return line.subspan(pos, std::min(count, line.size() - pos));
}

// Two decimal digits by the character rule of the conversions (c - '0' each).
int twoDigits(std::span<const std::uint8_t> line, std::size_t pos) {
    return (charAt(line, pos) - '0') * 10 + (charAt(line, pos + 1) - '0');
}

// Text up to count characters, stopping at the line end.
template <std::size_t N>
void copyText(std::array<char, N>& out, std::span<const std::uint8_t> chars) {
    out.fill('\0');
    std::size_t n = 0;
    for (std::uint8_t c : chars) {
        if (c == '\r' || c == '\n' || c == 0 || n + 1 >= N) break;
        out[n++] = static_cast<char>(c);
    }
}

}  // namespace

bool SyncLineParser::feed(std::uint8_t byte) {
    // A board may end its lines with CR LF, LF or CR alone: either ends a line, and the empty
    // line between a CR and its LF is none.
    const bool lineEnd = byte == '\n' || byte == '\r';
    if (lineEnd && index_ == 0) return false;
    if (index_ > kLineSize - 1) index_ = 0;
    line_[static_cast<std::size_t>(index_)] = byte;
    if (byte != 0) ++index_;
    if (!lineEnd) return false;
    line_[static_cast<std::size_t>(index_)] = 0;
    length_ = index_;
    index_ = 0;
    return true;
}

SyncLine classifySyncLine(std::span<const std::uint8_t> line, int connectStatus) {
    const char first = charAt(line, 0);
    switch (connectStatus) {
        case 1:
            if (first == '*') return SyncLine::Listing;
            if (first == 'S' && charAt(line, 7) == 'N') return SyncLine::Ident;
            if (first == 'C' && charAt(line, 5) == 'R') return SyncLine::Head;
            if (first == 'F' && charAt(line, 8) == 'F') return SyncLine::SampleRate;
            if (first == 'S' && charAt(line, 7) == 'M') return SyncLine::Mode;
            if (first == 'T' && charAt(line, 5) == 'T') return SyncLine::TimeUnit;
            if (first == 'S' && charAt(line, 8) == 't') return SyncLine::ListingEnd;
            return SyncLine::Other;
        case 3:
            return (first == '0' || first == '1') && charAt(line, 2) == '-' ? SyncLine::Clock
                                                                            : SyncLine::Other;
        case 5:
            // A board may pad its first reading with blanks.
            return (first >= '0' && first <= '9') || first == ' ' ? SyncLine::Data
                                                                  : SyncLine::Other;
        default:
            return SyncLine::Other;
    }
}

void applySyncLine(SyncLine kind, std::span<const std::uint8_t> line, SyncUnitInfo& info) {
    switch (kind) {
        case SyncLine::Ident:
            copyText(info.identification, field(line, 15, 18));
            break;
        case SyncLine::Head:
            copyText(info.head, field(line, 10, 5));
            break;
        case SyncLine::SampleRate:
            info.sampleRate = std::clamp(twoDigits(line, 19), 0, 99);
            break;
        case SyncLine::Mode:
            info.modeFlag = charAt(line, 13) == 'c' ? 1 : 0;
            break;
        case SyncLine::TimeUnit: {
            constexpr std::string_view kUnits = "nmhd";
            const auto at = kUnits.find(charAt(line, 10));
            if (at != std::string_view::npos) info.timeTagUnit = static_cast<int>(at);
            break;
        }
        case SyncLine::Clock:
            info.month = twoDigits(line, 0);
            info.day = twoDigits(line, 3);
            info.year = 2000 + twoDigits(line, 6);
            info.hour = twoDigits(line, 9);
            info.minute = twoDigits(line, 12);
            info.second = twoDigits(line, 15);
            break;
        default:
            break;
    }
}

int syncChannelCount(std::span<const std::uint8_t> line) {
    // the LF counts as part of the line
    return line.size() < 33 ? 6 : 8;
}

long syncReading(std::span<const std::uint8_t> line, int channel) {
    return readNumber(field(line, static_cast<std::size_t>(5 * channel), 4));
}

}  // namespace links
