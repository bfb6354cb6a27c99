#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "app/shell.h"
#include "link/link_state.h"
#include "live/file_series.h"
#include "live/record_format.h"
#include "live/unbuffered_file.h"
#include "live/writing_status.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace live {

inline constexpr int kContinuousFile = 99;  // SaveFileInterval meaning "never start a new file"
// After a full disk: ticks of FileSyncTimer (seconds) between looks for room to go on, and the
// room a new file needs before it is opened.
inline constexpr int kResumeTicks = 5;
inline constexpr std::uint64_t kResumeFreeBytes = 256 * 1024;

// The day rule of numbered files: called with the day of the month at each look at the
// calendar, true when the file in use has seen `interval` day changes since it was opened and
// the next one is due. lastDay and dayCounter are the caller's (SaveFileLastDay,
// SaveFileDayCounter); an interval of kContinuousFile is never due.
bool newFileDue(int today, int interval, int& lastDay, int& dayCounter);

// What to do when the file about to be started exists already: ask the operator (the window),
// or move on to the next free number (an unattended start never replaces nor refuses).
enum class ExistingFile : std::uint8_t { Ask, NextFree };

// The number a recording or capture starts with, given the chosen name and its files: 0 when
// number 0 is free, or replaced after the operator's yes; the next free number for an
// unattended start, under the next stem of the name when every number is taken (series is
// changed then, and the operator told); -1 after telling the operator why nothing starts
// (a folder, a "no", every number taken).
int startNumber(const std::string& chosen, FileSeries& series, ExistingFile policy,
                platform::Dialogs& dialogs);
// The first free number of series from `from` on; for an unattended recording, under the
// next stems of the name when every number is taken (series is changed then, and the
// operator told). -1 when there is none.
int nextFreeInSeries(FileSeries& series, int from, ExistingFile policy,
                     platform::Dialogs& dialogs);

// The sample recorder: one fixed-layout record per unit message into a CSV file that starts
// anew every SaveFileInterval days, and the same record to the streaming output port.
class Recorder : public app::ClosesOnExit {
  public:
    Recorder(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
             const platform::Session& session, const links::LinkState& links);

    // The File menu's start and stop items.
    void SaveOutputDataToFile();
    void StopOutputDataToFile();

    // True when a record has somewhere to go (the file, the output port or the tap).
    bool wantsRecords() const {
        return OutputDataFileOpen != 0 || links_.OpenComPortNumOutput != 0 || recordTap;
    }
    // Records the message just placed in line (frame offsets: the payload starts at 12).
    void WriteOutputToFile(const OutputLine& line, const MessageText& frame,
                           std::span<const float> values, std::span<const std::uint8_t> raw);

    // As goOnInNextFile(), with `why` shown under the file it goes on in (a unit type change:
    // no file holds two types' records).
    void goOnInNextFile(const std::string& why);

    // Timer: starts the next file after SaveFileInterval calendar days.
    void SaveNewFileInterval();
    // Timer, once a second: hands the records to the disk; notices a file that is no longer
    // at its path and goes on in a new one; after a full disk or a file that could not be
    // opened, resumes in the next free file once it can.
    void fileSyncTick();
    // Goes on in the next free numbered file of this recording (its folder made again if it
    // has gone). False when that file cannot be opened: the recording is then paused, the
    // operator told, and it tries again every few seconds.
    bool goOnInNextFile();

    // True while a full disk (or another write failure) holds the recording: records are
    // not written until room is found and the next free file opens.
    bool paused() const { return paused_; }
    ExistingFile existingFile = ExistingFile::Ask;
    // Records written since the recording started, over every file of it.
    std::uint64_t recordsWritten() const { return recordsWritten_; }

    void closeOnExit() override;

    // Streams a record to the output port; the links own the port.
    std::function<void(std::span<const std::uint8_t>)> sendToOutputPort;
    // Every record exactly as the file gets it, as soon as it is formed, whether or not a
    // recording runs and whether or not the file took it (the station network).
    std::function<void(std::span<const char>)> recordTap;

    int OutputDataFileOpen = 0;
    std::string SaveOutputDataFileName;
    int SaveFileInterval = 0;
    int SaveFileDayCounter = 0;
    int SaveFileLastDay = 0;
    int SaveFileNameCounter = 0;

  private:
    std::optional<int> askInterval();
    void showRecording(bool on);
    void showStatus();
    void stopAndTell(const std::string& why, const std::string& warning);
    void pause(const std::string& text, const std::string& warning);
    void resume();
    bool openNumbered(int n);
    void fileGone();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    const platform::Session& session_;
    const links::LinkState& links_;
    UnbufferedFile SaveOutputDataHandle;
    FileSeries series_;
    RecordBuffer record_{};
    bool paused_ = false;
    int pausedTicks_ = 0;
    WritingStatus status_;
    std::uint64_t recordsWritten_ = 0;
};

}  // namespace live
