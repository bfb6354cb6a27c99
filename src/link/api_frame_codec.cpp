#include "link/api_frame_codec.h"

#include <algorithm>

namespace links {

namespace {

constexpr bool needsEscape(std::uint8_t b) {
    return b == kStartDelimiter || b == kEscape || b == 0x11 || b == 0x13;
}

void put(EncodedFrame& f, std::uint8_t b) {
    if (needsEscape(b)) {
        f.bytes[f.size++] = kEscape;
        f.bytes[f.size++] = static_cast<std::uint8_t>(b ^ 0x20);
    } else {
        f.bytes[f.size++] = b;
    }
}

// Frame data = header followed by the payload; the checksum covers both.
EncodedFrame encode(std::span<const std::uint8_t> header, std::span<const std::uint8_t> payload) {
    payload = payload.first(std::min(payload.size(), kMaxTxPayload));
    const std::size_t length = header.size() + payload.size();
    EncodedFrame f;
    f.bytes[f.size++] = kStartDelimiter;
    put(f, static_cast<std::uint8_t>(length >> 8));
    put(f, static_cast<std::uint8_t>(length & 0xFF));
    std::uint8_t sum = 0;
    for (std::uint8_t b : header) {
        sum = static_cast<std::uint8_t>(sum + b);
        put(f, b);
    }
    for (std::uint8_t b : payload) {
        sum = static_cast<std::uint8_t>(sum + b);
        put(f, b);
    }
    put(f, static_cast<std::uint8_t>(0xFF - sum));
    return f;
}

void putAddress(std::uint8_t* out, std::uint64_t address) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(address >> (56 - 8 * i));
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

bool FrameDecoder::feed(std::uint8_t byte) {
    // An escape byte is taken in any state; a second 0x7D right after it is data.
    if (byte == kEscape && !escapePending_) {
        escapePending_ = true;
        return false;
    }
    if (status_ != RxStatus::Inside) {
        if (byte == kStartDelimiter) {
            status_ = RxStatus::Inside;
            lengthPhase_ = 1;
            escapePending_ = false;
        }
        return false;
    }
    if (escapePending_) {
        byte ^= 0x20;
        escapePending_ = false;
    }
    switch (lengthPhase_) {
        case 1:
            length_ = byte * 256;
            lengthPhase_ = 2;
            return false;
        case 2:
            length_ += byte;
            if (length_ >= kMinFrameLength && length_ <= kMaxFrameLength) {
                index_ = 0;
                checksum_ = 0;
                lengthPhase_ = 3;
            } else {
                status_ = RxStatus::Idle;
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
    // The checksum byte.
    if (static_cast<std::uint8_t>(0xFF - checksum_) != byte) {
        status_ = RxStatus::Idle;
        return false;
    }
    frame_.data[static_cast<std::size_t>(index_)] = byte;
    frame_.length = length_;
    // The frame is handed on before the next byte is fed; the next 0x7E starts a new one.
    status_ = RxStatus::Idle;
    return true;
}

}  // namespace links
