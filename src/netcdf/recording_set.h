#pragma once
#include <array>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chart/playback_parser.h"
#include "chart/record_apply.h"
#include "live/output_line.h"
#include "platform/clock.h"

namespace netcdf {

// One record of a sample file with what it tells once the records before it are known: the
// unit's device entry as playback would leave it, and the time of its first value.
struct SetRecord {
    const chart::CsvRecord& record;
    std::string_view line;
    const live::OutputLine& entry;
    chart::RecordEffect effect;
    std::span<const float> values;  // the levels it carries (none for raw data)
    bool timed = false;             // false: a continuous unit's record before its first date
    platform::AbsTime time = 0;     // the unit's clock at its first value
    int rate = 1;                   // samples per second it was taken at
    std::size_t file = 0;
    std::int64_t lineNumber = 0;
};

// Reads a set of recorded sample files, in the order given, as one recording: a unit's date
// and time carry on from one file into the next, as the recorder went on writing them. Reads
// a block at a time, so a long set can be taken in steps, and refuses what the recorder never
// writes (anything between records, a damaged record, a file cut short inside a record) with
// the file and line it is on.
class RecordingSet {
  public:
    explicit RecordingSet(std::vector<std::string> files);

    // Reads the next block, handing every record in it to onRecord(const SetRecord&). False at
    // the end of the set and on a fault; error() is empty at the end.
    template <typename OnRecord>
    bool next(OnRecord&& onRecord);

    const std::string& error() const { return error_; }
    // Refuses the set, naming the file and line of the record being read.
    void fail(const SetRecord& at, std::string_view why);
    std::int64_t bytesRead() const { return bytesRead_; }
    std::int64_t totalBytes() const { return totalBytes_; }
    const std::vector<std::string>& files() const { return files_; }
    std::size_t fileIndex() const { return file_; }
    // The header line of a Plain60 file of the set (the last one seen); empty when none.
    const std::string& header() const { return header_; }

  private:
    static constexpr std::size_t kBlock = 1 << 20;

    bool openNext();
    bool endOfFile();
    void failAt(std::int64_t line, std::string_view why);
    // Takes a line apart and applies it to its unit's entry; false when it is refused.
    bool place(std::string_view line);

    std::vector<std::string> files_;
    std::size_t file_ = 0;
    bool opened_ = false;
    std::ifstream in_;
    std::vector<char> block_;
    chart::CsvLineAssembler lines_;
    std::int64_t headerLines_ = 0;  // lines taken as the file's header
    chart::CsvRecord parsed_;
    std::array<live::OutputLine, 256> entries_{};
    std::array<float, live::kMaxBurstValues> values_{};
    // What place() found out about the line.
    chart::RecordEffect effect_ = chart::RecordEffect::None;
    std::size_t valueCount_ = 0;
    bool timed_ = false;
    platform::AbsTime time_ = 0;
    int rate_ = 1;
    std::int64_t bytesRead_ = 0;
    std::int64_t totalBytes_ = 0;
    std::string header_;
    std::string error_;
};

template <typename OnRecord>
bool RecordingSet::next(OnRecord&& onRecord) {
    if (!error_.empty()) return false;
    if (!opened_ && !openNext()) return false;
    in_.read(block_.data(), static_cast<std::streamsize>(block_.size()));
    const auto n = static_cast<std::size_t>(in_.gcount());
    if (n == 0) {
        if (in_.bad()) {
            failAt(0, "reading failed");
            return false;
        }
        return endOfFile();
    }
    bytesRead_ += static_cast<std::int64_t>(n);
    std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(block_.data()), n);
    // A Plain60 file begins with a header line that starts with a blank.
    if (lines_.content() == chart::CsvLineAssembler::Content::Unseen && bytes[0] == ' ') {
        header_ = chart::headerLine(std::span(block_.data(), n));
        std::size_t end = 0;
        while (end < n && bytes[end] != '\n') ++end;
        bytes = bytes.subspan(std::min(end + 1, n));
        headerLines_ = 1;
    }
    const bool flashCard = lines_.feed(bytes, [&](std::string_view line) {
        if (!error_.empty()) return;
        // Bytes skipped before this line (a foreign file's text, say) are the fault to name.
        if (lines_.firstSkipped() != 0) {
            failAt(lines_.firstSkipped() + headerLines_, "not a record of a sample file");
            return;
        }
        if (!place(line)) return;
        const SetRecord r{.record = parsed_,
                          .line = line,
                          .entry = entries_[static_cast<std::size_t>(parsed_.device)],
                          .effect = effect_,
                          .values = std::span<const float>(values_.data(), valueCount_),
                          .timed = timed_,
                          .time = time_,
                          .rate = rate_,
                          .file = file_,
                          .lineNumber = lines_.lineNumber() + headerLines_};
        onRecord(r);
    });
    if (flashCard) failAt(1, "an unconverted flash-card file: convert it to a Plain60 file first");
    if (error_.empty() && lines_.firstSkipped() != 0)
        failAt(lines_.firstSkipped() + headerLines_, "not a record of a sample file");
    return error_.empty();
}

}  // namespace netcdf
