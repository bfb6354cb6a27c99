#include "link/byte_sniffer.h"

namespace links {

void ByteSniffer::take(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        if (taken_ >= kSampleBytes) return;
        ++taken_;
        if (frames_.feed(b)) ++goodFrames_;
        if (b == '\r' || b == '\n') {
            ++text_;
            if (afterPrintable_) ++lineEnds_;
            afterPrintable_ = false;
        } else if (b >= 0x20 && b < 0x7F) {
            ++text_;
            afterPrintable_ = true;
        } else {
            afterPrintable_ = false;
        }
    }
}

ByteLook ByteSniffer::look() const {
    if (taken_ == 0) return ByteLook::Nothing;
    // One frame whose checksum adds up is proof enough: garbage needs a delimiter, a length
    // of 5-999 and then passes the checksum one time in 256.
    if (goodFrames_ > 0) return ByteLook::ApiFrames;
    if (taken_ < kEnoughBytes) return ByteLook::Nothing;
    // A unit at the wrong baud rate still sends now and then a byte that reads as a letter,
    // but hardly ever whole lines of them.
    if (lineEnds_ > 0 && text_ * 10 >= taken_ * 9) return ByteLook::TextLines;
    return ByteLook::Garbage;
}

}  // namespace links
