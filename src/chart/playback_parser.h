#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "live/burst_decoder.h"

namespace chart {

// What a file chosen for playback holds, by its extension: raw radio frames or sample lines.
// OpenFileType's values.
enum class PlaybackType : std::uint8_t { NotAllowed = 0, Dat = 1, Csv = 2 };

// "csv"/"CSV" and "dat"/"DAT" only: a mixed-case extension is not one the recorder writes.
PlaybackType playbackFileType(std::string_view path);

// A Plain60 file starts with a header line that begins with a blank: that line without its
// CR, up to the LF or a NUL, at most 250 characters. Empty when the file has no header.
std::string headerLine(std::span<const char> firstBytes);

// A "G" record: the first 32 characters of the burst message (kind, device, rate, battery,
// time tag and a comma), then the unit's 128 data bytes as they came, which may hold any byte,
// CR and LF included.
inline constexpr std::size_t kRawRecordHead = 32;
inline constexpr std::size_t kRawRecordLength = kRawRecordHead + live::kRawBurstBytes;

// One sample-file line as the recorder writes it, taken apart.
struct CsvRecord {
    char kind = 0;     // 'C' text message, 'A' 'F' 'I' 'i' 'f' blocks, 'G' raw data
    int device = 0;    // 1..255
    char subType = 0;  // 'C' lines: '1' sample, '4' temperature, '7' battery, '8' date, '9' time
    int rate = 0;      // samples per second as written
    char mode = 0;     // blocks: power state character
    char sensor = 0;   // 'C' '7' lines: G, L or B
    std::string_view text;  // '8' date (10), '9' time (8), blocks: time stamp (19)
    std::string_view raw;   // 'G': the 128 data bytes
    float value = 0;        // '1' sample or '4' temperature
    int count = 0;          // values of a block
    std::array<float, live::kMaxBurstValues> values{};
};

// Takes one line apart. False for anything that is not a whole line of a known kind: the line
// is then dropped without touching any device entry.
bool parseCsvLine(std::string_view line, CsvRecord& out);

// Assembles sample-file lines from the file's bytes. A line starts at A, F, I, i, C or f and
// ends at CR or LF; a "G" line is the raw record's fixed length and must be followed by CR or
// LF. Other bytes between lines are skipped. The first byte of the file decides whether its
// content is taken at all: an unconverted flash-card file starts with 'Y'.
// Lines are counted as a text editor counts them (every LF, those inside raw data too), so
// that a reader that must not skip anything can name the line of what it refuses.
class CsvLineAssembler {
  public:
    static constexpr std::size_t kLineSize = 1024;  // RxCSV
    // OpenCVSFileStatus.
    enum class Content : std::uint8_t { Unseen = 0, Accepted = 1, Rejected = 2 };

    // Feeds bytes; onLine(std::string_view) gets every whole line. Returns true when these
    // bytes revealed an unconverted flash-card file (once per file).
    template <typename OnLine>
    bool feed(std::span<const std::uint8_t> bytes, OnLine&& onLine);

    // A jump in the file: the line begun is discarded.
    void restartLine() {
        inside_ = false;
        overflow_ = false;
        length_ = 0;
    }
    // A new file.
    void reset() {
        content_ = Content::Unseen;
        lineEnds_ = 0;
        lineStart_ = 0;
        firstSkipped_ = 0;
        restartLine();
    }
    Content content() const { return content_; }
    bool insideLine() const { return inside_; }
    // The number (from 1) of the line that the line last handed on, or the one begun, starts on.
    std::int64_t lineNumber() const { return lineStart_; }
    // The number of the first line holding something that was skipped (bytes between lines
    // other than line ends, a line too long for RxCSV, a raw record cut short); 0 when none.
    std::int64_t firstSkipped() const { return firstSkipped_; }

  private:
    static constexpr bool startsLine(std::uint8_t b) {
        return b == 'A' || b == 'F' || b == 'I' || b == 'i' || b == 'C' || b == 'f' || b == 'G';
    }
    static constexpr bool endsLine(std::uint8_t b) { return b == '\r' || b == '\n'; }
    // The first CR or LF from `from` on, or the end of the bytes. Eight bytes at a time: a
    // word holds neither when no byte of it equals either (the borrow of the zero-byte test
    // can only mark bytes above a true match).
    static std::size_t lineEnd(std::span<const std::uint8_t> bytes, std::size_t from) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
        auto hasZero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
        std::size_t i = from;
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, bytes.data() + i, sizeof w);
            if (hasZero(w ^ (kOnes * '\r')) | hasZero(w ^ (kOnes * '\n'))) break;
        }
        while (i < bytes.size() && !endsLine(bytes[i])) ++i;
        return i;
    }

    std::array<char, kLineSize> RxCSV{};
    std::size_t length_ = 0;
    bool inside_ = false;
    bool overflow_ = false;  // the line outgrew RxCSV: it is dropped at its end
    Content content_ = Content::Unseen;
    std::int64_t lineEnds_ = 0;  // LFs seen
    std::int64_t lineStart_ = 0;
    std::int64_t firstSkipped_ = 0;
    void skipped(std::int64_t line) {
        if (firstSkipped_ == 0) firstSkipped_ = line;
    }
};

template <typename OnLine>
bool CsvLineAssembler::feed(std::span<const std::uint8_t> bytes, OnLine&& onLine) {
    bool rejectedNow = false;
    std::size_t i = 0;
    if (content_ == Content::Unseen && !bytes.empty()) {
        content_ = bytes[0] == 'Y' ? Content::Rejected : Content::Accepted;
        rejectedNow = content_ == Content::Rejected;
        restartLine();
    }
    if (content_ != Content::Accepted) return rejectedNow;
    const std::size_t n = bytes.size();
    while (i < n) {
        if (!inside_) {
            const std::uint8_t b = bytes[i++];
            if (!startsLine(b)) {
                if (b == '\n')
                    ++lineEnds_;
                else if (b != '\r')
                    skipped(lineEnds_ + 1);
                continue;
            }
            RxCSV[0] = static_cast<char>(b);
            length_ = 1;
            inside_ = true;
            lineStart_ = lineEnds_ + 1;
            continue;
        }
        if (RxCSV[0] == 'G') {
            // Raw data bytes are copied whatever they are, up to the record's length.
            if (length_ < kRawRecordLength) {
                const std::size_t take = std::min(n - i, kRawRecordLength - length_);
                for (std::size_t k = 0; k < take; ++k) {
                    RxCSV[length_ + k] = static_cast<char>(bytes[i + k]);
                    lineEnds_ += bytes[i + k] == '\n' ? 1 : 0;
                }
                length_ += take;
                i += take;
                continue;
            }
            // A record cut short ran into the next line: dropped, and that byte starts afresh.
            if (endsLine(bytes[i])) {
                lineEnds_ += bytes[i] == '\n' ? 1 : 0;
                ++i;
                onLine(std::string_view(RxCSV.data(), length_));
            } else {
                skipped(lineStart_);
            }
            restartLine();
            continue;
        }
        // Inside a line: copy up to its end.
        const std::size_t end = lineEnd(bytes, i);
        const std::size_t take = end - i;
        if (!overflow_ && length_ + take < kLineSize) {
            std::memcpy(RxCSV.data() + length_, bytes.data() + i, take);
            length_ += take;
        } else {
            overflow_ = true;
        }
        i = end;
        if (end == n) break;  // the line goes on in the next read
        lineEnds_ += bytes[i] == '\n' ? 1 : 0;
        ++i;  // the CR or LF
        if (!overflow_)
            onLine(std::string_view(RxCSV.data(), length_));
        else
            skipped(lineStart_);
        restartLine();
    }
    return rejectedNow;
}

}  // namespace chart
