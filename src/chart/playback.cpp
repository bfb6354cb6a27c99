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

constexpr int kDefaultIntervalMs = 1000;  // speed 1: one kilobyte a second
constexpr std::size_t kHeaderProbe = 512;

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
    FileReadBackwards_ = 0;
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
}

void Playback::PlotSpeedCtr() {
    double s = panel_.value(Ctl::PlotSpeedCtr);
    // The speed ring offers no 0: a step every 1/0 seconds is no speed at all.
    if (!std::isfinite(s) || s == 0) return;
    FileReadBackwards_ = s < 0 ? 1 : 0;
    s = std::fabs(s);
    restartPace();
    panel_.setTimerInterval(Ctl::ReadFileTimer,
                            std::max(1, static_cast<int>(std::lround(1000.0 / s))));
}

void Playback::FileKbPosition() {
    chart_.ChartReset();
    if (FileOpen_ == 0) return;
    const auto kb = static_cast<std::int64_t>(std::max(0.0, panel_.value(Ctl::FileKbPosition)));
    seekTo(std::min(kb * kPlaybackStep, FileOpenSize_));
    resetReceiveState();
    restartPace();
}

void Playback::ReadFileTimer() {
    if (FileOpen_ == 0 || ChartCtr_.PlotSource != 1 || ChartCtr_.PlotRun == 0) return;
    if (FileReadBackwards_ != 0) {
        chart_.ChartReset();
        seekTo(std::max<std::int64_t>(0, FileLocation_ - kPlaybackStep));
        // The next forward read starts inside some line: what was begun no longer continues.
        resetReceiveState();
        showPosition();
        restartPace();
        panel_.setText(Ctl::PlotFileTime, "going back: the time shows again when playing forward");
        return;
    }
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
                                 "move the Position slider back and press Start plotting.");
        }
        return;
    }
    FileLocation_ += static_cast<std::int64_t>(n);
    showPosition();
    feedBytes(OpenFileType_, std::span(block.data(), n));
    showPlayedTime();
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
            if (complete) dataService_.RxDataService(frames_.frame(), 0);
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

// The file's kilobytes told as what they hold: the latest time any unit's row shows, and how
// fast the recording goes by at this speed (files differ widely in bytes per recorded second).
void Playback::showPlayedTime() {
    double latest = -1;
    const live::OutputLine* at = nullptr;
    for (int i = 0; i < live::kOutputLineCount; ++i) {
        const live::OutputLine& e = table_[i];
        if (!e.inUse() || e.DateTime[0] == '\0') continue;
        const double t =
            platform::toAbsTime({e.Year, e.Month, e.Day, e.Hour, e.Minute, e.Second, 0});
        if (t > latest) {
            latest = t;
            at = &e;
        }
    }
    if (!at) return;
    std::string text(at->DateTime.data());
    if (paceFrom_ < 0) {
        paceFrom_ = latest;
    } else {
        ++paceTicks_;
    }
    const double playedSeconds = paceTicks_ * panel_.timerInterval(Ctl::ReadFileTimer) / 1000.0;
    if (paceTicks_ >= 2 && latest > paceFrom_ && playedSeconds > 0) {
        const double times = (latest - paceFrom_) / playedSeconds;
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
