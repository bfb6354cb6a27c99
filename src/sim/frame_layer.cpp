#include "sim/frame_layer.h"

#include "link/api_frame_codec.h"

namespace sim {

void FrameLayer::encode(std::span<const std::uint8_t> frameData, std::vector<std::uint8_t>& out) {
    links::writeFrame(frameData, {}, [&out](std::uint8_t b) { out.push_back(b); });
}

bool FrameLayer::feed(std::uint8_t byte) {
    if (byte == links::kStartDelimiter) {
        phase_ = Phase::LengthHigh;
        escape_ = false;
        return false;
    }
    if (phase_ == Phase::Idle) return false;
    if (byte == links::kEscape && !escape_) {
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
