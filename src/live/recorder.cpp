#include "live/recorder.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "live/burst_decoder.h"
#include "platform/control_table.h"

namespace live {

using platform::Ctl;

namespace {

constexpr std::string_view kIntervalTitle = "SAVE FILE INTERVAL";
constexpr std::string_view kIntervalText =
    "Enter the Save New File Interval in Days. (1 to 98) Enter 99 for\none continuous file. The "
    "Save File Interval is the time in days\nfrom the start of one File to the start of the next "
    "File";
constexpr std::string_view kStoppedTitle = "RECORDING STOPPED";
constexpr std::string_view kPausedTitle = "RECORDING PAUSED";
constexpr std::string_view kResumedTitle = "RECORDING RESUMED";

}  // namespace

Recorder::Recorder(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                   const platform::Session& session, const links::LinkState& links)
    : panel_(panel),
      dialogs_(dialogs),
      clock_(clock),
      session_(session),
      links_(links),
      status_(panel, clock, {Ctl::RecordingFile, Ctl::RecordingWritten, Ctl::RecordingWarning}) {}

// The days-per-file prompt, asked again with a word of why until it gets 1 to 99 or is
// cancelled: a typo must not end the start of a recording without a word.
std::optional<int> Recorder::askInterval() {
    for (;;) {
        std::optional<std::string> reply = dialogs_.prompt(kIntervalTitle, kIntervalText, 2);
        if (!reply) return std::nullopt;
        const bool digits =
            !reply->empty() &&
            std::all_of(reply->begin(), reply->end(), [](char c) { return c >= '0' && c <= '9'; });
        const int days = digits ? std::stoi(*reply) : 0;
        if (days >= 1 && days <= kContinuousFile) return days;
        dialogs_.message(kIntervalTitle, "\"" + *reply +
                                             "\" is not a number of days from 1 to 99.\n"
                                             "Enter 1 to 98 days per file, or 99 for one "
                                             "continuous file.");
    }
}

void Recorder::SaveOutputDataToFile() {
    const std::optional<int> asked = askInterval();
    if (!asked) return;
    const int interval = *asked;

    platform::FileSelectRequest request;
    request.pattern = "*.csv";
    request.typeList = "*.txt;*.*";
    request.title = "Save Output Data To:";
    request.save = true;
    platform::FileSelection chosen = dialogs_.fileSelect(request);
    if (!chosen.ok() || chosen.path.empty()) return;

    // The question is about the file that will really be overwritten, name000.csv, not the
    // name typed in the dialog.
    FileSeries series = FileSeries::recording(chosen.path);
    const int number = startNumber(chosen.path, series, existingFile, dialogs_);
    if (number < 0) return;
    const std::string name = series.name(number);
    FileStatus st = SaveOutputDataHandle.open(name);
    if (!st.ok) {
        dialogs_.message("CANNOT OPEN FILE",
                         "The output data file could not be opened for writing.\n" + st.message);
        return;
    }
    SaveFileInterval = interval;
    series_ = series;
    SaveOutputDataFileName = name;
    OutputDataFileOpen = 1;
    paused_ = false;
    SaveFileLastDay = clock_.now().day;
    SaveFileDayCounter = 0;  // SaveFileNameCounter keeps counting across recordings of one run
    SaveFileNameCounter = std::max(SaveFileNameCounter, number);
    recordsWritten_ = 0;
    status_.started();
    showRecording(true);
    showStatus();
}

int startNumber(const std::string& chosen, FileSeries& series, ExistingFile policy,
                platform::Dialogs& dialogs) {
    constexpr std::string_view kCannot = "CANNOT OPEN FILE";
    const std::string first = series.first();
    if (namesAFolder(chosen)) {
        dialogs.message(kCannot, chosen + " is a folder. Choose a file name in it.");
        return -1;
    }
    if (!pathExists(first)) return 0;
    if (policy == ExistingFile::NextFree) return nextFreeInSeries(series, 1, policy, dialogs);
    if (isDirectory(first)) {
        dialogs.message(kCannot, first + " is a folder. Choose another name.");
        return -1;
    }
    return dialogs.confirm("Confirm Save File",
                           "The file already exist\n Do you want to replace it?")
               ? 0
               : -1;
}

int nextFreeInSeries(FileSeries& series, int from, ExistingFile policy,
                     platform::Dialogs& dialogs) {
    constexpr int kLastStem = 99;
    int n = series.nextFree(from);
    if (n >= 0 || policy != ExistingFile::NextFree) return n;
    // A station that has used every number of its name goes on under a new stem of it; it
    // does not stop recording for want of a name.
    FileSeries next = series;
    while (n < 0 && next.stem() < kLastStem) {
        next = next.nextStem();
        n = next.nextFree(0);
    }
    if (n < 0) {
        dialogs.message("CANNOT OPEN FILE", "Every file number of " + series.first() +
                                                " and of its next names is taken.");
        return -1;
    }
    dialogs.message("NEW FILE NAME", "Every file number of " + series.first() +
                                         " is taken (up to " + series.name(kLastFileNumber) +
                                         "): the files go on as " + next.name(n) + ".");
    series = next;
    return n;
}

void Recorder::StopOutputDataToFile() {
    SaveOutputDataHandle.close();
    OutputDataFileOpen = 0;
    paused_ = false;
    showRecording(false);
    status_.hide();
    panel_.setVisible(Ctl::RecordingNext, false);
}

// File, size, records and time since start, and when the next file starts: what an operator
// walking past the station wants to see at a glance.
void Recorder::showStatus() {
    if (OutputDataFileOpen == 0) return;
    status_.show(SaveOutputDataFileName, SaveOutputDataHandle.size(), recordsWritten_, "records");
    std::string next = "one continuous file";
    if (SaveFileInterval != kContinuousFile) {
        // The next file starts at the first tick after the remaining midnights.
        platform::CalendarTime today = clock_.now();
        today.hour = today.minute = today.second = today.millisecond = 0;
        const int days = std::max(1, SaveFileInterval - SaveFileDayCounter);
        const platform::CalendarTime at =
            platform::toCalendar(platform::toAbsTime(today) + days * 86400.0);
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d 00:00", at.year, at.month, at.day);
        next = text;
    }
    panel_.setText(Ctl::RecordingNext, next);
    panel_.setVisible(Ctl::RecordingNext, true);
}

void Recorder::showRecording(bool on) {
    panel_.setDimmed(Ctl::MenuSaveOutputData, on);
    panel_.setDimmed(Ctl::MenuStopOutputData, !on);
    panel_.setValue(Ctl::RecordingIndicator, on ? 1 : 0);
    panel_.setVisible(Ctl::RecordingIndicator, on);
    panel_.setTimerEnabled(Ctl::SaveNewFileInterval, on);
}

void Recorder::stopAndTell(const std::string& why, const std::string& warning) {
    StopOutputDataToFile();
    status_.warn(warning);
    dialogs_.message(kStoppedTitle, why);
}

void Recorder::WriteOutputToFile(const OutputLine& line, const MessageText& frame,
                                 std::span<const float> values, std::span<const std::uint8_t> raw) {
    const int n = buildRecord(frame, line, session_.UnitType, values, raw, record_);
    if (n <= 0) return;
    if (recordTap) recordTap({record_.data(), static_cast<std::size_t>(n)});
    if (OutputDataFileOpen != 0 && !paused_) {
        FileStatus st = SaveOutputDataHandle.write(record_.data(), static_cast<std::size_t>(n));
        if (st.ok) {
            ++recordsWritten_;
        } else {
            pause("Writing the output data file failed; recording is paused.\n" + st.message +
                      "\nThe file ends on its last complete record. Recording goes on in the "
                      "next free file as soon as there is room.",
                  "Writing stopped: the file cannot take more (disk full?). It goes on in the "
                  "next free file when there is room.");
        }
    }
    // The stream keeps to the records its readers have always been sent: "i" bursts, which
    // the file now keeps for playback, stay off it.
    const bool streamed = frame.at(kPayloadStart) != 'i';
    if (streamed && links_.OpenComPortNumOutput != 0 && sendToOutputPort) {
        sendToOutputPort({reinterpret_cast<const std::uint8_t*>(record_.data()),
                          static_cast<std::size_t>(n)});
    }
}

bool newFileDue(int today, int interval, int& lastDay, int& dayCounter) {
    if (interval == kContinuousFile || today == lastDay) return false;
    lastDay = today;
    if (++dayCounter < interval) return false;
    dayCounter = 0;
    return true;
}

void Recorder::SaveNewFileInterval() {
    if (OutputDataFileOpen == 0) return;
    if (!newFileDue(clock_.now().day, SaveFileInterval, SaveFileLastDay, SaveFileDayCounter)) {
        return;
    }
    SaveOutputDataHandle.close();

    if (paused_) return;  // the next file starts when there is room again
    openNumbered(SaveFileNameCounter + 1);
}

void Recorder::goOnInNextFile(const std::string& why) {
    // A paused recording opens its next file when it can, which serves as well; its warning
    // stays.
    if (goOnInNextFile()) status_.note(why);
}

// A file left by an earlier recording is never overwritten: the counter moves on to the next
// number whose file does not exist yet.
bool Recorder::openNumbered(int from) {
    const std::string current = SaveOutputDataFileName;
    const int n = nextFreeInSeries(series_, from, existingFile, dialogs_);
    if (n < 0) {
        SaveFileNameCounter = kLastFileNumber + 1;
        stopAndTell("The last file number (" + std::to_string(kLastFileNumber) +
                        ") has been used; recording has stopped.\nLast file: " + current,
                    "Recording stopped: every file number has been used.");
        return false;
    }
    SaveFileNameCounter = n;
    SaveOutputDataFileName = series_.name(n);
    makeFolderFor(SaveOutputDataFileName);
    FileStatus st = SaveOutputDataHandle.open(SaveOutputDataFileName);
    if (!st.ok) {
        // Like a full disk: the recording waits and tries this number again (a folder that is
        // back, a disk remounted), it does not end.
        SaveFileNameCounter = n - 1;
        pause("The next output data file could not be opened; recording is paused.\n" +
                  st.message + "\nRecording goes on in the next free file as soon as one can be "
                               "opened.",
              "Writing stopped: the next file cannot be opened. Recording goes on when it can.");
        return false;
    }
    return true;
}

// A full disk does not end the recording: the file keeps every complete record, the operator
// is told once, and recording goes on in the next free file when there is room again.
void Recorder::pause(const std::string& text, const std::string& warning) {
    // A file that could not take even its first record is removed again, and its number is
    // the first tried when there is room.
    if (SaveOutputDataHandle.size() == 0 && removeIfEmptyFile(SaveOutputDataFileName)) {
        SaveFileNameCounter = std::max(-1, SaveFileNameCounter - 1);
    }
    const bool already = paused_;  // a retry that failed again is not said again
    paused_ = true;
    pausedTicks_ = 0;
    panel_.setValue(Ctl::RecordingIndicator, 0);
    status_.warn(warning);
    if (!already) dialogs_.message(kPausedTitle, text);
}

void Recorder::resume() {
    makeFolderFor(SaveOutputDataFileName);
    if (freeSpaceFor(SaveOutputDataFileName) < kResumeFreeBytes) return;
    if (!openNumbered(SaveFileNameCounter + 1)) return;
    paused_ = false;
    panel_.setValue(Ctl::RecordingIndicator, 1);
    status_.clearWarning();
    showStatus();
    dialogs_.message(kResumedTitle, "Recording goes on in " + SaveOutputDataFileName + ".");
}

bool Recorder::goOnInNextFile() {
    if (OutputDataFileOpen == 0) return false;
    SaveOutputDataHandle.close();
    if (paused_) return false;  // it goes on by itself when a file can be opened
    if (!openNumbered(SaveFileNameCounter + 1)) return false;
    showStatus();
    return true;
}

// Deleted, moved or renamed, or its folder removed: what was written so far is wherever the
// file went (or gone with it); what comes now goes to a new file at the path.
void Recorder::fileGone() {
    const std::string gone = SaveOutputDataFileName;
    const bool goesOn = goOnInNextFile();
    dialogs_.message("RECORDING FILE GONE",
                     gone + " is no longer there (deleted, moved, or its folder removed).\n" +
                         (goesOn ? "Recording goes on in " + SaveOutputDataFileName + "."
                                 : std::string("Recording goes on as soon as a new file can be "
                                               "opened.")));
}

void Recorder::fileSyncTick() {
    if (OutputDataFileOpen == 0) return;
    if (paused_) {
        if (++pausedTicks_ >= kResumeTicks) {
            pausedTicks_ = 0;
            resume();
        }
        return;
    }
    if (!SaveOutputDataHandle.stillAtPath()) {
        fileGone();
        return;
    }
    SaveOutputDataHandle.sync();
    showStatus();
}

void Recorder::closeOnExit() {
    SaveOutputDataHandle.close();
    OutputDataFileOpen = 0;
    paused_ = false;
}

}  // namespace live
