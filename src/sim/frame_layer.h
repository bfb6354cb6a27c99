#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// The adapter's side of the API frame line (API mode 2). Frames go out through the program's
// own frame writer (one definition of escaping, length and checksum); the receiver is the
// adapter firmware's own: unlike the program's decoder it restarts on every unescaped 0x7E,
// so a torn frame costs only that frame.
class FrameLayer {
public:
    // Appends one complete, escaped frame carrying frameData to out.
    static void encode(std::span<const std::uint8_t> frameData, std::vector<std::uint8_t>& out);
    // Takes one byte from the line; true when it completed a frame with a correct checksum,
    // whose data frame() then returns (valid until the next call).
    bool feed(std::uint8_t byte);
    std::span<const std::uint8_t> frame() const {
        return std::span(data_.data(), static_cast<std::size_t>(length_));
    }

private:
    enum class Phase { Idle, LengthHigh, LengthLow, Data, Checksum };
    Phase phase_ = Phase::Idle;
    bool escape_ = false;
    int length_ = 0;
    int index_ = 0;
    std::uint8_t sum_ = 0;
    std::array<std::uint8_t, 0x10000> data_{};
};

}  // namespace sim
