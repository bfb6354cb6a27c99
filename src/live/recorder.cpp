#include "live/recorder.h"

#include <filesystem>
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

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace

Recorder::Recorder(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                   const platform::Session& session, const links::LinkState& links)
    : panel_(panel), dialogs_(dialogs), clock_(clock), session_(session), links_(links) {}

void Recorder::SaveOutputDataToFile() {
    std::optional<std::string> reply = dialogs_.prompt(kIntervalTitle, kIntervalText, 2);
    if (!reply) return;
    int interval = MessageText(reinterpret_cast<const std::uint8_t*>(reply->data()),
                               static_cast<int>(reply->size()))
                       .atoiAt(0);
    if (interval <= 0) return;

    platform::FileSelectRequest request;
    request.pattern = "*.csv";
    request.typeList = "*.txt;*.*";
    request.title = "Save Output Data To:";
    request.save = true;
    platform::FileSelection chosen = dialogs_.fileSelect(request);
    if (!chosen.ok() || chosen.path.empty()) return;

    // The question is about the file that will really be overwritten, name000.csv, not the
    // name typed in the dialog.
    const std::string name = recordingFileName(chosen.path);
    if (fileExists(name) &&
        !dialogs_.confirm("Confirm Save File", "The file already exist\n Do you want to replace it?")) {
        return;
    }
    FileStatus st = SaveOutputDataHandle.open(name);
    if (!st.ok) {
        dialogs_.message("CANNOT OPEN FILE",
                         "The output data file could not be opened for writing.\n" + st.message);
        return;
    }
    SaveFileInterval = interval;
    SaveOutputDataFileName = name;
    OutputDataFileOpen = 1;
    SaveFileLastDay = clock_.now().day;
    SaveFileDayCounter = 0;  // SaveFileNameCounter keeps counting across recordings of one run
    showRecording(true);
}

void Recorder::StopOutputDataToFile() {
    SaveOutputDataHandle.close();
    OutputDataFileOpen = 0;
    showRecording(false);
}

void Recorder::showRecording(bool on) {
    panel_.setDimmed(Ctl::MenuSaveOutputData, on);
    panel_.setDimmed(Ctl::MenuStopOutputData, !on);
    panel_.setValue(Ctl::RecordingIndicator, on ? 1 : 0);
    panel_.setVisible(Ctl::RecordingIndicator, on);
    panel_.setTimerEnabled(Ctl::SaveNewFileInterval, on);
}

void Recorder::stopAndTell(const std::string& why) {
    StopOutputDataToFile();
    dialogs_.message(kStoppedTitle, why);
}

void Recorder::WriteOutputToFile(const OutputLine& line, const MessageText& frame,
                                 std::span<const float> values, std::span<const std::uint8_t> raw) {
    const int n = buildRecord(frame, line, session_.UnitType, values, raw, record_);
    if (n <= 0) return;
    if (OutputDataFileOpen != 0) {
        FileStatus st = SaveOutputDataHandle.write(record_.data(), static_cast<std::size_t>(n));
        if (!st.ok) {
            stopAndTell("Writing the output data file failed; recording has stopped.\n" +
                        st.message + "\nThe records written before are kept in the file.");
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

void Recorder::SaveNewFileInterval() {
    if (OutputDataFileOpen == 0 || SaveFileInterval == kContinuousFile) return;
    const int today = clock_.now().day;
    if (today == SaveFileLastDay) return;
    SaveFileLastDay = today;
    if (++SaveFileDayCounter < SaveFileInterval) return;
    SaveFileDayCounter = 0;
    SaveOutputDataHandle.close();

    // A file left by an earlier recording is never overwritten: the counter moves on to the
    // next number whose file does not exist yet.
    int n = SaveFileNameCounter + 1;
    while (n <= kLastFileNumber && fileExists(numberedFileName(SaveOutputDataFileName, n))) ++n;
    SaveFileNameCounter = n;
    if (n > kLastFileNumber) {
        stopAndTell("The last file number (" + std::to_string(kLastFileNumber) +
                    ") has been used; recording has stopped.\nLast file: " + SaveOutputDataFileName);
        return;
    }
    SaveOutputDataFileName = numberedFileName(SaveOutputDataFileName, n);
    FileStatus st = SaveOutputDataHandle.open(SaveOutputDataFileName);
    if (!st.ok) {
        stopAndTell("The next output data file could not be opened; recording has stopped.\n" +
                    st.message);
    }
}

void Recorder::closeOnExit() {
    SaveOutputDataHandle.close();
    OutputDataFileOpen = 0;
}

}  // namespace live
