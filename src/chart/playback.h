#pragma once
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/shell.h"
#include "chart/chart.h"
#include "chart/chart_state.h"
#include "chart/playback_parser.h"
#include "chart/recorded_time.h"
#include "link/api_frame.h"
#include "link/api_frame_codec.h"
#include "live/device_table.h"
#include "live/display_lines.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace chart {

inline constexpr int kPlaybackStep = 1024;  // bytes read per timer tick

// Plays a recorded file back through the display and chart paths of live data: sample lines
// (.csv, also Plain60 files converted from a flash card) are placed on device entries here,
// raw radio frames (.DAT) go to the data service as if the radio had sent them. The playback
// timer reads the file in kilobyte steps while the chart's source is the file and plotting is
// on. The speed is a multiple of real time, the recording's own pace: each tick moves the
// playing clock on by the speed times the tick, and as many kilobytes are read as it takes
// the recorded time to reach it (a gap in the recording is skipped, not waited out). A
// negative speed steps backwards. A file with no time in it goes by kilobytes: speed s reads
// s kilobytes a second. An index of the file's times, read once in the background, lets the
// operator go to a recorded time and step backwards by time.
class Playback : public app::ClosesOnExit {
  public:
    // workValue: the data service's value array, which the chart reads for the line charted.
    Playback(platform::Panel& panel, platform::Dialogs& dialogs, live::DeviceTable& table,
             live::DisplayLines& display, links::FrameSink& dataService, ChartCtr& ctr,
             Chart& chart, std::span<float> workValue);
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // File menu, timer and main-panel controls.
    void OpenFile2Plot();
    // Plays back the file at path, as if chosen in the open dialog (a recent file, a file
    // dropped on the window).
    void openFile(const std::string& path);
    // Told of each file that opened for playback.
    std::function<void(const std::string&)> opened;
    void CloseFile2Plot();
    void ReadFileTimer();
    void PlotSpeedCtr();
    void FileKbPosition();
    // The operator's "go to" time: the file plays on from where that time was recorded.
    void PlotGoToTime();
    // Reads the next part of the file for the index of its times.
    void FileTimeIndexTimer();

    // One sample-file line onto its device entry, shown and charted.
    void RxCSVFileService(std::string_view line);
    // Bytes as read from a file of this type, through its parser.
    void feedBytes(PlaybackType type, std::span<const std::uint8_t> bytes);
    // The data source or the plotting switch changed: a line or frame begun is dropped.
    void resetReceiveState();

    void closeOnExit() override { CloseFile2Plot(); }

    bool FileOpen() const { return FileOpen_ != 0; }
    const std::string& OpenFileName() const { return OpenFileName_; }
    PlaybackType OpenFileType() const { return OpenFileType_; }
    std::int64_t FileOpenSize() const { return FileOpenSize_; }
    std::int64_t FileLocation() const { return FileLocation_; }
    bool FileReadBackwards() const { return FileReadBackwards_ != 0; }
    // The index of the open file's times (none while no file is open).
    const FileTimeIndex* timeIndex() const { return index_.get(); }

  private:
    void seekTo(std::int64_t location);
    // A jump to location: the chart cleared, the line or frame begun dropped, the playing
    // clock set from the index.
    void jumpTo(std::int64_t location);
    void stepBack();
    bool readStep();
    void showPosition();
    void showSpan();
    void stopIndex();
    // The latest recorded time the units played so far show, and the pace in recorded seconds
    // per second of playing since the speed or the position last changed.
    void showPlayedTime();
    void restartPace();
    void stopPlotting();
    void clearEntries();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    live::DeviceTable& table_;
    live::DisplayLines& display_;
    links::FrameSink& dataService_;
    ChartCtr& ChartCtr_;
    Chart& chart_;
    std::span<float> WorkValue_;

    std::string OpenFileName_;
    std::ifstream OpenFileHandle_;
    PlaybackType OpenFileType_ = PlaybackType::NotAllowed;
    int FileOpen_ = 0;
    std::int64_t FileOpenSize_ = 0;
    std::int64_t FileLocation_ = 0;
    int FileReadBackwards_ = 0;
    CsvLineAssembler csv_;
    links::FrameDecoder frames_{links::FrameSource::File};
    CsvRecord record_;
    RecordedClock played_;                   // the time reached by what has been played
    std::unique_ptr<FileTimeIndex> index_;   // the file's times, read in the background
    std::ifstream indexFile_;
    double speed_ = 1;                       // multiple of real time (magnitude)
    std::optional<double> playClock_;        // the recorded time playing has come to
    double paceFrom_ = -1;  // the recorded time (seconds) the pace is counted from; -1: none
    int paceTicks_ = 0;     // forward steps since
};

}  // namespace chart
