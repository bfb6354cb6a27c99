#pragma once
#include <cstdint>
#include <span>

#include "link/api_frame_codec.h"

namespace links {

// What the bytes on a port look like, whatever unit type was chosen for it: the radio
// adapter's API frames, lines of text as the wired units and the synchronizer send, or
// neither (most often a unit at another baud rate, whose bytes arrive as garbage).
enum class ByteLook : std::uint8_t { Nothing, ApiFrames, TextLines, Garbage };

// Looks at a sample of the bytes that arrived on a port while it gave no valid data, to tell
// the operator what is there instead. Keeps at most kSampleBytes; costs nothing on a port
// whose data is good, because it is fed only while the port is without valid data.
class ByteSniffer {
  public:
    static constexpr std::uint32_t kSampleBytes = 4096;
    // Fewer bytes than this are too few to say anything about.
    static constexpr std::uint32_t kEnoughBytes = 24;

    void take(std::span<const std::uint8_t> bytes);
    ByteLook look() const;
    std::uint32_t taken() const { return taken_; }
    void reset() { *this = ByteSniffer{}; }

  private:
    FrameDecoder frames_;
    std::uint32_t taken_ = 0;
    std::uint32_t goodFrames_ = 0;
    std::uint32_t text_ = 0;      // printable ASCII, CR and LF
    std::uint32_t lineEnds_ = 0;  // CR or LF after a printable character
    bool afterPrintable_ = false;
};

}  // namespace links
