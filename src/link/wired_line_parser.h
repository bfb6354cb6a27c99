#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace links {

// What one received byte of a wired staff, logger or pressure gauge (unit types 3-6, 9)
// completed, given the port's connect handshake state.
enum class WiredEvent : std::uint8_t {
    None,
    StartOk,      // "STOK," or "BAD," (type 9 also "SOK,"): the unit stopped streaming
    IdentOk,      // "IOK," 14 characters of identification ","
    BlockOk,      // "ROK," and the 132-character configuration block
    GoOk,         // "GOK,": the unit streams records
    LineEnd,      // CR or LF of a record without temperature
    LineEndTemp,  // CR or LF of a record that carried a temperature
    Sample,       // the sample characters of a record are in
    Temperature,  // the temperature characters of a record are in
};

// Handshake states the receive path answers in.
inline constexpr int kWaitStart = 1;
inline constexpr int kWaitIdent = 3;
inline constexpr int kWaitBlock = 5;
inline constexpr int kWaitGo = 7;
inline constexpr int kStreaming = 8;

// The line buffer of one port's wired unit. Replies are recognised by their first letter and
// a comma at a fixed position; streamed records by the position of the write index. Bytes
// that fit no rule are kept and otherwise ignored; the index wraps, so an endless line never
// overruns the buffer.
class WiredLineParser {
  public:
    static constexpr int kLineSize = 140;
    static constexpr int kIdentLength = 14;
    static constexpr int kBlockLength = 134;  // bytes kept after "ROK,": the block and 2 more

    WiredEvent feed(std::uint8_t byte, int connectStatus, int unitType);

    // Characters of the line from pos, clipped to the buffer.
    std::span<const std::uint8_t> at(int pos, int count) const;
    // Characters of the record line the last line end closed (0 for an empty line).
    int lastLength() const { return lastLength_; }
    // Offset of a record's fields: the pressure gauge's records are three characters longer.
    static int recordShift(int unitType) { return unitType == 9 ? 3 : 0; }
    static int sampleWidth(int unitType) { return unitType == 9 ? 7 : 4; }
    static constexpr int kTemperatureWidth = 4;

  private:
    void store(std::uint8_t byte);
    bool startsWith(const char* text, int n) const;
    bool replyDone(std::uint8_t byte, int pos, char letter, int commaPos, const char* head);
    WiredEvent record(std::uint8_t byte, int unitType);

    std::array<std::uint8_t, kLineSize> line_{};
    int index_ = 0;
    int lastLength_ = 0;
};

}  // namespace links
