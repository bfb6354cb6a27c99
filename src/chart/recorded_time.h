#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chart/playback_parser.h"
#include "link/api_frame.h"
#include "link/api_frame_codec.h"
#include "platform/clock.h"

namespace chart {

// The recorded time a file has reached as it is read from its start: the latest time tag of
// its units, read so that one bad line or one unit with a wrong clock cannot throw it off.
// - A unit's time of day that falls back by more than half a day without a new date is taken
//   as the next day (a unit that crossed midnight before it sent its new date line).
// - A time more than kJump ahead of the time reached is taken only once a second record
//   agrees with it (a gap in the recording); a lone outlier is ignored.
// - Times behind the time reached leave it where it is: the time reached never goes back.
class RecordedClock {
  public:
    static constexpr double kJump = 600;  // seconds

    // A sample-file line, a received frame of a capture.
    void observe(const CsvRecord& r);
    void observe(const links::RxFrame& f);

    // No time yet: a file's start, a jump within the file. `from`, when known, is the time
    // reached at the place jumped to.
    void restart(std::optional<double> from = std::nullopt);

    std::optional<double> reached() const { return reached_; }
    // The first time accepted since the start.
    std::optional<double> first() const { return first_; }
    // The latest time held back for want of a second record agreeing with it (a file that
    // ends right after it, or a one-record file, still has that time).
    std::optional<double> pending() const {
        return pending_.empty() ? std::nullopt : std::optional<double>(pending_.back());
    }

  private:
    struct Unit {
        std::string date;  // "YYYY-MM-DD" of the unit's last date line
        std::optional<double> tag;  // its last time tag as taken
        int samples = 0;            // samples since that tag
    };
    void dateLine(std::uint64_t key, std::string_view date);
    void timeLine(std::uint64_t key, std::string_view time);
    void sample(std::uint64_t key, int rate);
    void stamp(std::uint64_t key, std::string_view stamp);
    double unitTime(Unit& u, double t);
    void take(double t);

    std::map<std::uint64_t, Unit> units_;
    std::optional<double> reached_, first_;
    // Times held back, the latest last: a few, so that a unit with a wrong clock cannot push
    // out the time a second record is about to confirm.
    std::vector<double> pending_;
};

// "YYYY-MM-DD" and "hh:mm:ss" with every field in range, as seconds (platform::AbsTime).
std::optional<double> parseDate(std::string_view date);
std::optional<double> parseTimeOfDay(std::string_view time);
// "YYYY-MM-DDThh:mm:ss".
std::string timeText(double t);
// A span of recorded time in words: "45 s", "3 min 56 s", "2 h 05 min", "3 d 4 h".
std::string durationText(double seconds);

// A time the operator typed to go to, within a file recorded from `first` to `last`:
// "YYYY-MM-DD hh:mm:ss" (or with a T), or a time of day "hh:mm[:ss]", which is taken on the
// first day of the file at or after its start. Nothing for a text that is neither.
std::optional<double> parseGoToTime(std::string_view text, double first);

// The time reached at every kilobyte step of a file, built by reading it once from the start
// (a chunk at a time, so a large file never holds up the window). Playback uses it to go to a
// recorded time and to step backwards through the recording by time.
class FileTimeIndex {
  public:
    static constexpr std::int64_t kStep = 1024;

    explicit FileTimeIndex(PlaybackType type) : type_(type) {}

    // The file's next bytes, in order from its start.
    void feed(std::span<const std::uint8_t> bytes);
    // The whole file has been read.
    void finish();

    bool complete() const { return complete_; }
    std::int64_t bytesRead() const { return bytes_; }
    // The time reached at the start of the step at offset (what playing up to there shows);
    // nothing before the first time or beyond what has been read.
    std::optional<double> timeAt(std::int64_t offset) const;
    // Where to start reading to play from time t: the start of the step in which the time
    // reached comes to t. Nothing when that lies beyond what has been read so far (or, for a
    // complete index, beyond the end: then the file's end).
    std::optional<std::int64_t> offsetOf(double t) const;
    std::optional<double> first() const { return first_; }
    std::optional<double> last() const { return last_; }

  private:
    void step();
    void consume(std::span<const std::uint8_t> bytes);

    PlaybackType type_;
    CsvLineAssembler csv_;
    links::FrameDecoder frames_{links::FrameSource::File};
    CsvRecord record_;
    RecordedClock clock_;
    std::vector<double> ends_;  // time reached at the end of each step (-inf: none yet)
    std::int64_t bytes_ = 0;
    bool complete_ = false;
    std::optional<double> first_, last_;
};

}  // namespace chart
