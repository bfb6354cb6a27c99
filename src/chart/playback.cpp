#include "chart/playback.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "chart/record_apply.h"

namespace chart {

using platform::Ctl;

namespace {

constexpr int kDefaultIntervalMs = 1000;  // speed 1: a tick a second
constexpr std::size_t kHeaderProbe = 512;
// At most this many kilobytes a tick, however fast the speed: the window stays responsive and
// the pace shown tells the operator when the reading cannot keep up.
constexpr int kMaxStepsPerTick = 256;
constexpr std::size_t kIndexChunk = 1 << 20;  // bytes read for the index each tick
constexpr int kIndexTickMs = 10;
constexpr const char* kGoToTitle = "GO TO TIME";

// The tick for a speed: a second at real time, shorter as the speed grows (down to 50 ms), so
// that a tick moves the recording on by about a second and the chart by small steps.
int tickMs(double speed) {
    return std::clamp(static_cast<int>(std::lround(1000.0 / speed)), 50, 1000);
}

std::string causeOf(int error) {
    return error != 0 ? std::strerror(error) : "the file cannot be read";
}

}  // namespace

Playback::Playback(platform::Panel& panel, platform::Dialogs& dialogs, live::DeviceTable& table,
                   live::DisplayLines& display, links::FrameSink& dataService, ChartCtr& ctr,
                   Chart& chart, std::span<float> workValue)
    : panel_(panel),
      dialogs_(dialogs),
      table_(table),
      display_(display),
      dataService_(dataService),
      ChartCtr_(ctr),
      chart_(chart),
      WorkValue_(workValue) {}

void Playback::OpenFile2Plot() {
    const platform::FileSelection sel = dialogs_.fileSelect(
        {.pattern = "*.csv *.DAT", .title = "Open Data File", .patternName = "Recordings"});
    if (!sel.existed()) return;
    openFile(sel.path);
}

void Playback::openFile(const std::string& path) {
    const platform::FileSelection sel{platform::FileSelection::Status::Existing, path};
    const PlaybackType type = playbackFileType(sel.path);
    // Opening another file ends the one playing, whatever the new one turns out to be.
    CloseFile2Plot();
    if (type == PlaybackType::NotAllowed) {
        dialogs_.message("WRONG FILE TYPE", "Allowed File types are *.csv and *.DAT");
        return;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(sel.path, ec);
    errno = 0;
    OpenFileHandle_.open(sel.path, std::ios::binary);
    if (ec || !OpenFileHandle_.is_open()) {
        const std::string cause = ec ? ec.message() : causeOf(errno);
        OpenFileHandle_.close();
        dialogs_.message("OPEN DATA FILE", "Cannot open " + sel.path + " for playback: " + cause);
        return;
    }
    OpenFileName_ = sel.path;
    OpenFileType_ = type;
    csv_.reset();
    frames_ = links::FrameDecoder(links::FrameSource::File);
    panel_.setDimmed(Ctl::MenuClosePlotFile, false);
    panel_.setText(Ctl::PlotFileName, OpenFileName_);
    panel_.setTimerInterval(Ctl::ReadFileTimer, kDefaultIntervalMs);
    panel_.setValue(Ctl::PlotSpeedCtr, 1);
    panel_.setDimmed(Ctl::PlotSpeedCtr, false);
    panel_.setDimmed(Ctl::FileKbPosition, false);
    panel_.setDimmed(Ctl::PlotGoToTime, false);
    panel_.setText(Ctl::PlotGoToTime, "");
    FileReadBackwards_ = 0;
    speed_ = 1;
    playClock_.reset();
    played_.restart();
    FileOpen_ = 1;

    FileOpenSize_ = static_cast<std::int64_t>(size);
    panel_.setRange(Ctl::FileKbPosition, 0, static_cast<double>(FileOpenSize_ / kPlaybackStep));
    FileLocation_ = 0;
    showPosition();
    panel_.setText(Ctl::PlotFileTime, "");
    restartPace();

    std::array<char, kHeaderProbe> head{};
    OpenFileHandle_.read(head.data(), head.size());
    panel_.setText(
        Ctl::PlotFileHeader,
        headerLine(std::span(head.data(), static_cast<std::size_t>(OpenFileHandle_.gcount()))));
    seekTo(0);
    panel_.setTimerEnabled(Ctl::ReadFileTimer, true);

    // The file's times are read on a file handle of their own, a part each tick.
    index_ = std::make_unique<FileTimeIndex>(type);
    indexFile_.open(sel.path, std::ios::binary);
    showSpan();
    panel_.setTimerInterval(Ctl::FileTimeIndexTimer, kIndexTickMs);
    panel_.setTimerEnabled(Ctl::FileTimeIndexTimer, true);

    // A file opened to plot is what the operator wants to see: the data source turns to the
    // file as if chosen on the ring (the live units go on being recorded meanwhile).
    if (panel_.intValue(Ctl::PlotSourceSelect) == 0) {
        panel_.setValue(Ctl::PlotSourceSelect, 1);
        panel_.raise(Ctl::PlotSourceSelect, platform::Event::Commit);
    } else {
        clearEntries();
        stopPlotting();
        chart_.ChartReset();
    }
    ChartCtr_.PlotSource = 1;
    if (opened) opened(OpenFileName_);
}

void Playback::CloseFile2Plot() {
    if (FileOpen_ == 0) return;
    // Timer ticks run to completion on the one thread: none can be half-way through a read.
    FileOpen_ = 0;
    OpenFileHandle_.close();
    OpenFileName_.clear();
    OpenFileType_ = PlaybackType::NotAllowed;
    panel_.setDimmed(Ctl::MenuClosePlotFile, true);
    panel_.setText(Ctl::PlotFileName, "");
    panel_.setTimerEnabled(Ctl::ReadFileTimer, false);
    panel_.setDimmed(Ctl::PlotSpeedCtr, true);
    panel_.setDimmed(Ctl::FileKbPosition, true);
    panel_.defaultCtrl(Ctl::FileKbPosition);
    panel_.setRange(Ctl::FileKbPosition, 0, 100);
    panel_.setText(Ctl::PlotFileHeader, "");
    panel_.setText(Ctl::PlotFileTime, "");
    panel_.setDimmed(Ctl::PlotGoToTime, true);
    panel_.setText(Ctl::PlotGoToTime, "");
    stopIndex();
    showSpan();
}

void Playback::PlotSpeedCtr() {
    double s = panel_.value(Ctl::PlotSpeedCtr);
    // The speed ring offers no 0: a step every 1/0 seconds is no speed at all.
    if (!std::isfinite(s) || s == 0) return;
    FileReadBackwards_ = s < 0 ? 1 : 0;
    speed_ = std::fabs(s);
    restartPace();
    panel_.setTimerInterval(Ctl::ReadFileTimer, tickMs(speed_));
}

void Playback::FileKbPosition() {
    chart_.ChartReset();
    if (FileOpen_ == 0) return;
    const auto kb = static_cast<std::int64_t>(std::max(0.0, panel_.value(Ctl::FileKbPosition)));
    jumpTo(std::min(kb * kPlaybackStep, FileOpenSize_));
}

void Playback::PlotGoToTime() {
    if (FileOpen_ == 0) return;
    const std::string text = panel_.text(Ctl::PlotGoToTime);
    if (!index_ || !index_->first()) {
        dialogs_.message(kGoToTitle, index_ && index_->complete()
                                         ? "This file holds no recorded times: choose the "
                                           "position in kilobytes."
                                         : "The file's times are still being read. Try again "
                                           "in a moment.");
        return;
    }
    const auto t = parseGoToTime(text, *index_->first());
    if (!t) {
        dialogs_.message(kGoToTitle, "\"" + text +
                                         "\" is not a time. Enter a time of day as hh:mm:ss "
                                         "(or hh:mm), or a date and time as "
                                         "YYYY-MM-DD hh:mm:ss.");
        return;
    }
    const std::string span = "The file was recorded from " + timeText(*index_->first()) +
                             " to " + timeText(index_->last().value_or(*index_->first())) +
                             " (" + (index_->complete() ? "all of it read" : "read so far") + ").";
    const auto at = index_->offsetOf(*t);
    if (*t > index_->last().value_or(*t) && index_->complete()) {
        dialogs_.message(kGoToTitle, timeText(*t) + " is after the end of the file. " + span);
        return;
    }
    if (!at) {
        dialogs_.message(kGoToTitle, timeText(*t) +
                                         " lies beyond what has been read of the file's times "
                                         "so far. Try again in a moment. " + span);
        return;
    }
    chart_.ChartReset();
    jumpTo(*at);
    playClock_ = std::max(*t, index_->timeAt(*at).value_or(*t));
    panel_.setText(Ctl::PlotFileTime, "going to " + timeText(*t));
    panel_.setText(Ctl::PlotGoToTime, timeText(*t));  // as typed, written out whole
}

void Playback::jumpTo(std::int64_t location) {
    seekTo(location);
    showPosition();
    resetReceiveState();
    restartPace();
    const std::optional<double> at = index_ ? index_->timeAt(location) : std::nullopt;
    played_.restart(at);
    playClock_ = at;
    if (at) {
        panel_.setText(Ctl::PlotFileTime, timeText(*at));
        panel_.setText(Ctl::PlotGoToTime, timeText(*at));
    }
}

void Playback::ReadFileTimer() {
    if (FileOpen_ == 0 || ChartCtr_.PlotSource != 1 || ChartCtr_.PlotRun == 0) return;
    if (FileReadBackwards_ != 0) {
        stepBack();
        return;
    }
    const double tick = panel_.timerInterval(Ctl::ReadFileTimer) / 1000.0;
    const bool timed = played_.reached().has_value();
    if (timed) playClock_ = playClock_.value_or(*played_.reached()) + speed_ * tick;
    // Untimed, the speed is kilobytes a second: whole steps per tick, one at least.
    const int untimedSteps = std::max(1, static_cast<int>(std::lround(speed_ * tick)));
    bool gap = false;
    for (int steps = 0; steps < kMaxStepsPerTick; ++steps) {
        if (played_.reached() && playClock_ && *played_.reached() >= *playClock_) break;
        if (!played_.reached() && steps >= untimedSteps) break;
        const bool before = played_.reached().has_value();
        const double was = played_.reached().value_or(0);
        if (!readStep()) return;
        if (!played_.reached()) continue;
        if (!before || !playClock_) {
            playClock_ = *played_.reached();  // the first time read: the clock starts there
            break;
        }
        // A gap in the recording: played on from its far side rather than waited out.
        if (*played_.reached() - was > RecordedClock::kJump &&
            *played_.reached() > *playClock_ + RecordedClock::kJump) {
            gap = true;
            playClock_ = *played_.reached();
            restartPace();
            break;
        }
    }
    showPlayedTime();
    if (gap) {
        panel_.setText(Ctl::PlotFileTime, panel_.text(Ctl::PlotFileTime) +
                                              " (a gap in the recording was skipped)");
    }
}

// One kilobyte step back, or, where the index knows the times, back by the speed times the
// tick in recorded time. The chart is cleared at each step; nothing is read.
void Playback::stepBack() {
    chart_.ChartReset();
    const double tick = panel_.timerInterval(Ctl::ReadFileTimer) / 1000.0;
    const std::optional<double> now =
        playClock_ ? playClock_ : (index_ ? index_->timeAt(FileLocation_) : std::nullopt);
    const std::optional<std::int64_t> to =
        now && index_ ? index_->offsetOf(*now - speed_ * tick) : std::nullopt;
    if (to && *to < FileLocation_) {
        seekTo(*to);
        playClock_ = std::max(*now - speed_ * tick, index_->timeAt(*to).value_or(*now));
    } else if (to && now) {
        seekTo(FileLocation_);  // within one step: the clock goes back, the place stays
        playClock_ = *now - speed_ * tick;
    } else {
        seekTo(std::max<std::int64_t>(0, FileLocation_ - kPlaybackStep));
        playClock_.reset();
    }
    // The next forward read starts inside some line: what was begun no longer continues.
    resetReceiveState();
    played_.restart(index_ ? index_->timeAt(FileLocation_) : std::nullopt);
    showPosition();
    restartPace();
    panel_.setText(Ctl::PlotFileTime,
                   playClock_ ? "going back: " + timeText(*playClock_)
                              : "going back: the time shows again when playing forward");
}

// Reads and plays the next kilobyte. False when nothing was left (plotting has stopped).
bool Playback::readStep() {
    std::array<std::uint8_t, kPlaybackStep> block{};
    OpenFileHandle_.clear();
    errno = 0;
    OpenFileHandle_.read(reinterpret_cast<char*>(block.data()), block.size());
    const auto n = static_cast<std::size_t>(OpenFileHandle_.gcount());
    if (n == 0) {
        const bool failed = OpenFileHandle_.bad();
        stopPlotting();
        if (failed) {
            dialogs_.message("OPEN DATA FILE",
                             "Reading " + OpenFileName_ + " failed: " + causeOf(errno));
        } else {
            // Plotting stops by itself here: say why, or it looks like a fault.
            dialogs_.message("END OF FILE",
                             "The end of " + OpenFileName_ +
                                 " has been reached and plotting has stopped.\nThe units and "
                                 "the chart stay as the file left them. To play the file again, "
                                 "move the Position slider back or go to a time, and press "
                                 "Start plotting.");
        }
        return false;
    }
    FileLocation_ += static_cast<std::int64_t>(n);
    showPosition();
    feedBytes(OpenFileType_, std::span(block.data(), n));
    return true;
}

void Playback::FileTimeIndexTimer() {
    if (!index_ || index_->complete()) {
        panel_.setTimerEnabled(Ctl::FileTimeIndexTimer, false);
        return;
    }
    std::vector<std::uint8_t> chunk(kIndexChunk);
    indexFile_.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    const auto n = static_cast<std::size_t>(indexFile_.gcount());
    index_->feed(std::span(chunk.data(), n));
    if (n < chunk.size()) {
        // The end, or a read that failed: what was read is indexed, the rest goes by kilobytes.
        index_->finish();
        indexFile_.close();
        panel_.setTimerEnabled(Ctl::FileTimeIndexTimer, false);
        // Where the file starts, to edit into a time to go to.
        if (index_->first() && panel_.text(Ctl::PlotGoToTime).empty()) {
            panel_.setText(Ctl::PlotGoToTime, timeText(*index_->first()));
        }
    }
    showSpan();
}

void Playback::showSpan() {
    if (!index_) {
        panel_.setText(Ctl::PlotFileSpan, "");
        return;
    }
    if (!index_->complete()) {
        char text[96];
        const bool large = FileOpenSize_ >= 1000000;
        std::snprintf(text, sizeof text, "reading the file's times: %d %% of %.*f %s",
                      static_cast<int>(FileOpenSize_ > 0 ? 100 * index_->bytesRead() / FileOpenSize_ : 0),
                      large ? 1 : 0, static_cast<double>(FileOpenSize_) / (large ? 1e6 : 1e3),
                      large ? "MB" : "KB");
        panel_.setText(Ctl::PlotFileSpan, text);
        return;
    }
    if (!index_->first()) {
        panel_.setText(Ctl::PlotFileSpan,
                       "no recorded times in this file: it plays by kilobytes (speed 1x is 1 KB/s)");
        return;
    }
    const double first = *index_->first(), last = index_->last().value_or(first);
    panel_.setText(Ctl::PlotFileSpan, timeText(first) + " to " + timeText(last) + " (" +
                                          durationText(last - first) + ")");
}

void Playback::stopIndex() {
    panel_.setTimerEnabled(Ctl::FileTimeIndexTimer, false);
    indexFile_.close();
    index_.reset();
}

void Playback::feedBytes(PlaybackType type, std::span<const std::uint8_t> bytes) {
    if (type == PlaybackType::Csv) {
        const bool rejected =
            csv_.feed(bytes, [this](std::string_view line) { RxCSVFileService(line); });
        if (rejected) {
            dialogs_.message("FILE TYPE ERROR",
                             "This is a Tidecorder flash-card file that has not been converted.\n"
                             "Convert it to a Plain60 file with VELMConvert, then open the "
                             "converted file.\nPlease close this file.");
        }
    } else if (type == PlaybackType::Dat) {
        while (!bytes.empty()) {
            bool complete = false;
            bytes = bytes.subspan(frames_.feed(bytes, complete));
            if (!complete) continue;
            played_.observe(frames_.frame());
            dataService_.RxDataService(frames_.frame(), 0);
        }
    }
}

void Playback::resetReceiveState() {
    csv_.restartLine();
    frames_ = links::FrameDecoder(links::FrameSource::File);
}

void Playback::RxCSVFileService(std::string_view text) {
    CsvRecord& r = record_;
    if (!parseCsvLine(text, r)) return;
    played_.observe(r);
    const auto device = static_cast<std::uint8_t>(r.device);
    // A played-back unit is keyed by its device number: the file holds no radio address.
    const int line = display_.GetOutputLineLoc(device, device);
    if (!live::DeviceTable::valid(line)) return;  // every entry taken: the line is dropped
    live::OutputLine& e = table_[line];
    const RecordEffect effect = applyRecord(e, r, WorkValue_);
    // A sample is charted before its row shows it, a block after, as live data does.
    if (effect == RecordEffect::Sample && ChartCtr_.PlotRun != 0) chart_.PlotContData(line);
    display_.showMessage(line, links::FrameSource::File);
    if (effect == RecordEffect::Block && ChartCtr_.PlotRun != 0) chart_.PlotData(line);
    e.SilenceTicks = 0;
}

void Playback::seekTo(std::int64_t location) {
    FileLocation_ = location;
    OpenFileHandle_.clear();
    OpenFileHandle_.seekg(static_cast<std::streamoff>(location));
}

void Playback::showPosition() {
    panel_.setValue(Ctl::FileKbPosition, static_cast<double>(FileLocation_ / kPlaybackStep));
}

void Playback::restartPace() {
    paceFrom_ = -1;
    paceTicks_ = 0;
}

// What has been played told in recorded time: the time reached, and how fast the recording
// goes by (the speed chosen, or less when the reading cannot keep up).
void Playback::showPlayedTime() {
    const std::optional<double> latest = played_.reached();
    if (!latest) return;
    std::string text = timeText(*latest);
    if (paceFrom_ < 0) {
        paceFrom_ = *latest;
    } else {
        ++paceTicks_;
    }
    const double playedSeconds = paceTicks_ * panel_.timerInterval(Ctl::ReadFileTimer) / 1000.0;
    if (paceTicks_ >= 2 && *latest > paceFrom_ && playedSeconds > 0) {
        const double times = (*latest - paceFrom_) / playedSeconds;
        char pace[64];
        std::snprintf(pace, sizeof pace, ", about %.*f times real time", times < 10 ? 1 : 0, times);
        text += pace;
    }
    panel_.setText(Ctl::PlotFileTime, text);
}

void Playback::stopPlotting() {
    ChartCtr_.PlotRun = 0;
    panel_.setValue(Ctl::RawStartStop, 0);
}

void Playback::clearEntries() {
    table_.freeAll();
    display_.ClearAllDisplayLines();
}

}  // namespace chart
