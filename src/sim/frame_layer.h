#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// The API frame layer of the radio adapter's serial line (API mode 2: 0x7E, length high byte
// first, frame data, checksum 0xFF minus the 8-bit sum of the frame data; after the start
// delimiter every 0x7E, 0x7D, 0x11 and 0x13 goes as 0x7D followed by the byte XOR 0x20).
// The adapter only talks through this interface, so the codec behind it can be swapped.
class FrameLayer {
public:
    virtual ~FrameLayer() = default;
    // Appends one complete, escaped frame carrying frameData to out.
    virtual void encode(std::span<const std::uint8_t> frameData, std::vector<std::uint8_t>& out) = 0;
    // Takes one byte from the line; true when it completed a frame with a correct checksum,
    // whose data frame() then returns (valid until the next call).
    virtual bool feed(std::uint8_t byte) = 0;
    virtual std::span<const std::uint8_t> frame() const = 0;
};

// The adapter firmware's own receiver: unlike a host decoder it restarts on every unescaped 0x7E,
// so a torn frame costs only that frame.
class EscapedFrameLayer : public FrameLayer {
public:
    void encode(std::span<const std::uint8_t> frameData, std::vector<std::uint8_t>& out) override;
    bool feed(std::uint8_t byte) override;
    std::span<const std::uint8_t> frame() const override {
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
