#include "sim/frame_layer.h"

namespace sim {

namespace {

constexpr std::uint8_t kStart = 0x7E;
constexpr std::uint8_t kEscape = 0x7D;

bool needsEscape(std::uint8_t b) { return b == 0x7E || b == 0x7D || b == 0x11 || b == 0x13; }

void put(std::uint8_t b, std::vector<std::uint8_t>& out) {
    if (needsEscape(b)) {
        out.push_back(kEscape);
        out.push_back(static_cast<std::uint8_t>(b ^ 0x20));
    } else {
        out.push_back(b);
    }
}

}  // namespace

void EscapedFrameLayer::encode(std::span<const std::uint8_t> frameData,
                               std::vector<std::uint8_t>& out) {
    out.push_back(kStart);
    put(static_cast<std::uint8_t>(frameData.size() >> 8), out);
    put(static_cast<std::uint8_t>(frameData.size() & 0xFF), out);
    std::uint8_t sum = 0;
    for (std::uint8_t b : frameData) {
        sum = static_cast<std::uint8_t>(sum + b);
        put(b, out);
    }
    put(static_cast<std::uint8_t>(0xFF - sum), out);
}

bool EscapedFrameLayer::feed(std::uint8_t byte) {
    if (byte == kStart) {
        phase_ = Phase::LengthHigh;
        escape_ = false;
        return false;
    }
    if (phase_ == Phase::Idle) return false;
    if (byte == kEscape && !escape_) {
        escape_ = true;
        return false;
    }
    if (escape_) {
        byte = static_cast<std::uint8_t>(byte ^ 0x20);
        escape_ = false;
    }
    switch (phase_) {
    case Phase::LengthHigh:
        length_ = byte << 8;
        phase_ = Phase::LengthLow;
        return false;
    case Phase::LengthLow:
        length_ |= byte;
        index_ = 0;
        sum_ = 0;
        phase_ = length_ == 0 ? Phase::Idle : Phase::Data;
        return false;
    case Phase::Data:
        data_[static_cast<std::size_t>(index_++)] = byte;
        sum_ = static_cast<std::uint8_t>(sum_ + byte);
        if (index_ == length_) phase_ = Phase::Checksum;
        return false;
    case Phase::Checksum:
        phase_ = Phase::Idle;
        return static_cast<std::uint8_t>(0xFF - sum_) == byte;
    case Phase::Idle:
        break;
    }
    return false;
}

}  // namespace sim
