#include "link/api_frame_codec.h"

#include <algorithm>
#include <cstring>

namespace links {

namespace {

// Frame data = header followed by the payload; the checksum covers both.
EncodedFrame encode(std::span<const std::uint8_t> header, std::span<const std::uint8_t> payload) {
    EncodedFrame f;
    writeFrame(header, payload.first(std::min(payload.size(), kMaxTxPayload)),
               [&f](std::uint8_t b) { f.bytes[f.size++] = b; });
    return f;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

// Whether any byte of the word equals b. The zero-byte test's borrow can mark bytes above a
// true match but never marks one when there is none, so the answer is exact.
constexpr bool holdsByte(std::uint64_t word, std::uint8_t b) {
    const std::uint64_t v = word ^ (kOnes * b);
    return ((v - kOnes) & ~v & (kOnes * 0x80)) != 0;
}

// The sum of the word's eight bytes (up to 2040): pairs in four 16-bit lanes, then the lanes
// added in the top lane by one multiply. Byte order does not matter.
constexpr std::uint32_t byteSum(std::uint64_t word) {
    constexpr std::uint64_t kLow = 0x00FF00FF00FF00FFULL;
    const std::uint64_t pairs = (word & kLow) + ((word >> 8) & kLow);
    return static_cast<std::uint32_t>((pairs * 0x0001000100010001ULL) >> 48);
}

}  // namespace

EncodedFrame transmitRequest(std::uint64_t destination, std::span<const std::uint8_t> payload) {
    // type, frame ID, 64-bit destination, 16-bit destination unknown, radius 0, options 0
    std::array<std::uint8_t, 14> h{kTransmitRequest, 1};
    putAddress(&h[2], destination);
    h[10] = 0xFF;
    h[11] = 0xFE;
    return encode(h, payload);
}

EncodedFrame atCommand(std::span<const std::uint8_t> command) {
    const std::array<std::uint8_t, 2> h{kAtCommand, 1};
    return encode(h, command);
}

EncodedFrame remoteAtCommand(std::uint64_t destination, std::span<const std::uint8_t> command) {
    // type, frame ID, 64-bit destination, 16-bit unknown, options 0x02 = apply changes
    std::array<std::uint8_t, 13> h{kRemoteAtCommand, 1};
    putAddress(&h[2], destination);
    h[10] = 0xFF;
    h[11] = 0xFE;
    h[12] = 0x02;
    return encode(h, command);
}

std::size_t FrameDecoder::feed(std::span<const std::uint8_t> bytes, bool& complete) {
    complete = false;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (phase_ == Phase::Data && !escapePending_) {
            // Plain data bytes in local variables: stores into the frame cannot alias them.
            int index = index_;
            const int length = length_;
            std::uint8_t sum = checksum_;
            std::uint8_t* out = frame_.data.data();
            // Eight bytes at a time while none of them is a delimiter or an escape.
            while (i + 8 <= n && index + 8 <= length) {
                std::uint64_t word = 0;
                std::memcpy(&word, bytes.data() + i, sizeof word);
                if (holdsByte(word, kStartDelimiter) | holdsByte(word, kEscape)) break;
                std::memcpy(out + index, &word, sizeof word);
                sum = static_cast<std::uint8_t>(sum + byteSum(word));
                index += 8;
                i += 8;
            }
            while (i < n && index < length && bytes[i] != kEscape && bytes[i] != kStartDelimiter) {
                const std::uint8_t b = bytes[i++];
                out[index++] = b;
                sum = static_cast<std::uint8_t>(sum + b);
            }
            index_ = index;
            checksum_ = sum;
            if (i == n) break;
        }
        if (feedSlow(bytes[i++])) {
            complete = true;
            break;
        }
    }
    return i;
}

bool FrameDecoder::feedSlow(std::uint8_t byte) {
    // The adapter escapes every 0x7E after the delimiter, so a plain 0x7E always starts a
    // frame: one seen inside a frame means that frame was cut short (noise, a lost byte), and
    // following it at once keeps the good frame that starts there.
    if (byte == kStartDelimiter) {
        phase_ = Phase::LengthHigh;
        escapePending_ = false;
        return false;
    }
    // An escape byte is taken in any state; a second 0x7D right after it is data.
    if (byte == kEscape && !escapePending_) {
        escapePending_ = true;
        return false;
    }
    if (phase_ == Phase::Idle) return false;
    if (escapePending_) {
        byte ^= 0x20;
        escapePending_ = false;
    }
    switch (phase_) {
        case Phase::LengthHigh:
            length_ = byte * 256;
            phase_ = Phase::LengthLow;
            return false;
        case Phase::LengthLow:
            length_ += byte;
            index_ = 0;
            checksum_ = 0;
            if (length_ >= kMinFrameLength && length_ <= kMaxFrameLength) {
                phase_ = Phase::Data;
            } else {
                phase_ = Phase::Idle;
                ++badLengths_;
            }
            return false;
        default:
            break;
    }
    if (index_ < length_) {
        frame_.data[static_cast<std::size_t>(index_++)] = byte;
        checksum_ = static_cast<std::uint8_t>(checksum_ + byte);
        return false;
    }
    // The checksum byte. Either way the frame ends here; the next 0x7E starts a new one.
    phase_ = Phase::Idle;
    if (static_cast<std::uint8_t>(0xFF - checksum_) != byte) {
        ++badChecksums_;
        return false;
    }
    frame_.data[static_cast<std::size_t>(index_)] = byte;
    frame_.length = length_;
    return true;
}

}  // namespace links
