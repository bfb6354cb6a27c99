#include "link/wired_line_parser.h"

#include <algorithm>
#include <cstring>

namespace links {

void WiredLineParser::store(std::uint8_t byte) {
    line_[static_cast<std::size_t>(index_++)] = byte;
    if (index_ >= kLineSize) index_ = 1;
}

std::span<const std::uint8_t> WiredLineParser::at(int pos, int count) const {
    pos = std::clamp(pos, 0, kLineSize);
    count = std::clamp(count, 0, kLineSize - pos);
    return std::span<const std::uint8_t>(line_).subspan(static_cast<std::size_t>(pos),
                                                        static_cast<std::size_t>(count));
}

bool WiredLineParser::startsWith(const char* text, int n) const {
    return std::memcmp(line_.data(), text, static_cast<std::size_t>(n)) == 0;
}

// A reply letter restarts the line; the comma at commaPos completes the reply.
bool WiredLineParser::replyDone(std::uint8_t byte, int pos, char letter, int commaPos,
                                const char* head) {
    if (byte == static_cast<std::uint8_t>(letter)) {
        line_[0] = byte;
        index_ = 1;
        return false;
    }
    return byte == ',' && pos == commaPos && startsWith(head, 3);
}

WiredEvent WiredLineParser::feed(std::uint8_t byte, int connectStatus, int unitType) {
    const int pos = index_;  // where this byte goes
    store(byte);
    switch (connectStatus) {
        case kWaitStart:
            if (byte == 'S' || byte == 'B') {
                line_[0] = byte;
                index_ = 1;
                return WiredEvent::None;
            }
            if (byte != ',') return WiredEvent::None;
            // What a pressure gauge answers to "s" is not settled: it may say "SOK," as well.
            if ((pos == 4 && startsWith("STOK", 4)) || (pos == 3 && startsWith("BAD", 3)) ||
                (unitType == 9 && pos == 3 && startsWith("SOK", 3))) {
                return WiredEvent::StartOk;
            }
            return WiredEvent::None;
        case kWaitIdent:
            // An "I" inside the identification does not restart the reply.
            if (byte == 'I' && pos > 3 && startsWith("IOK,", 4)) return WiredEvent::None;
            return replyDone(byte, pos, 'I', 4 + kIdentLength, "IOK") ? WiredEvent::IdentOk
                                                                      : WiredEvent::None;
        case kWaitBlock:
            // "ROK," then 44 fields of "XX," whose last comma ends the reply.
            return replyDone(byte, pos, 'R', 4 + 132 - 1, "ROK") ? WiredEvent::BlockOk
                                                                 : WiredEvent::None;
        case kWaitGo:
            if (replyDone(byte, pos, 'G', 3, "GOK")) {
                index_ = 0;  // the first record starts a fresh line
                return WiredEvent::GoOk;
            }
            return WiredEvent::None;
        case kStreaming:
            return record(byte, unitType);
        default:
            return WiredEvent::None;
    }
}

WiredEvent WiredLineParser::record(std::uint8_t byte, int unitType) {
    const int k = recordShift(unitType);
    if (byte == '\r' || byte == '\n') {
        const int length = index_;
        index_ = 0;
        lastLength_ = length <= 1 ? 0 : length - 1;  // without the line end just stored
        // The LF of a CR LF pair ends an empty line: it says nothing of the temperature.
        if (length <= 1) return WiredEvent::None;
        return length > k + 6 ? WiredEvent::LineEndTemp : WiredEvent::LineEnd;
    }
    if (index_ == k + 9) return WiredEvent::Temperature;
    if (index_ == k + 4) return WiredEvent::Sample;
    return WiredEvent::None;
}

}  // namespace links
