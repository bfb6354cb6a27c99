#pragma once
#include <cstdint>

namespace platform {

// 24-bit colour, 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr Rgb kGreenConnected = 0x009900;
inline constexpr Rgb kRed = 0xFF0000;
inline constexpr Rgb kBlack = 0x000000;
inline constexpr Rgb kLedGreen = 0x00CC00;
inline constexpr Rgb kLedYellow = 0xFFFF00;

}  // namespace platform
