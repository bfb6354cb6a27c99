#pragma once
#include <array>
#include <cstdint>

#include "live/message_text.h"

namespace live {

inline constexpr int kMaxBurstValues = 64;
inline constexpr int kRawBurstBytes = 128;

// Frame offsets of a unit message (the payload starts at 12).
inline constexpr int kPayloadStart = 12;
inline constexpr int kBurstRate = 18;
inline constexpr int kBurstPower = 22;
inline constexpr int kBurstTimeTag = 24;
inline constexpr int kBurstTimeTagLength = 19;
inline constexpr int kBurstData = 45;

// How each burst type carries its samples.
struct BurstLayout {
    char type;
    int samples;
    int bytesPerSample;
    int durationUnits;  // burst duration in ms = durationUnits / sample rate; 0 = not timed
};

// The layout of a burst type, or nullptr for a payload that is no burst.
const BurstLayout* burstLayout(char type);

// Decodes the samples of a burst message held in frame (offsets as in the frame, so the data
// start at 45): "A" six ASCII characters each / 1000, "F" little-endian 32-bit floats,
// "I" and "i" little-endian signed 16-bit / 1000, "G" raw bytes into raw. Returns the number
// of samples, or -1 when the message is shorter than its type needs (nothing is decoded then).
int decodeBurst(const MessageText& frame, std::array<float, kMaxBurstValues>& values,
                std::array<std::uint8_t, kRawBurstBytes>& raw);

}  // namespace live
