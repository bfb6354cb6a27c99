#include "live/frame_capture.h"

#include <filesystem>
#include <fstream>

#include "live/record_format.h"
#include "platform/control_table.h"

namespace live {

using platform::Ctl;

namespace {
constexpr std::uint8_t kDelimiter = 0x7E;
constexpr std::uint8_t kEscape = 0x7D;
constexpr std::uint8_t kXor = 0x20;
}  // namespace

void FrameBoundary::take(std::uint8_t byte) {
    ++taken_;
    if (byte == kDelimiter) {
        safe_ = taken_ - 1;
        inFrame_ = true;
        escaped_ = false;
        seen_ = length_ = 0;
        return;
    }
    if (!inFrame_) {
        safe_ = taken_;  // bytes between frames are kept as they came
        return;
    }
    if (byte == kEscape && !escaped_) {
        escaped_ = true;
        return;
    }
    const std::uint8_t value = escaped_ ? static_cast<std::uint8_t>(byte ^ kXor) : byte;
    escaped_ = false;
    ++seen_;
    if (seen_ <= 2) length_ = length_ << 8 | value;
    // Two length bytes, the frame data and the checksum.
    if (seen_ == length_ + 3) {
        inFrame_ = false;
        safe_ = taken_;
        ++frames_;
    }
}

FrameCapture::FrameCapture(platform::Panel& panel, platform::Dialogs& dialogs,
                           const platform::Clock& clock, const Recorder& recorder)
    : panel_(panel),
      dialogs_(dialogs),
      clock_(clock),
      recorder_(recorder),
      status_(panel, clock, {Ctl::CaptureFile, Ctl::CaptureWritten, Ctl::CaptureWarning}) {}

void FrameCapture::SaveAPIDataToFile() {
    platform::FileSelectRequest request;
    request.pattern = "*.DAT";
    request.typeList = "*.txt;*.*";
    request.title = "Save API Frame Data To:";
    request.save = true;
    platform::FileSelection chosen = dialogs_.fileSelect(request);
    if (!chosen.ok() || chosen.path.empty()) return;
    FileSeries series = FileSeries::capture(chosen.path);
    const int number = startNumber(chosen.path, series, existingFile, dialogs_);
    if (number < 0) return;
    // The file before it may be the last of a capture that ended without its close.
    if (number > 0) trimTornEnd(series.name(number - 1));
    const std::string name = series.name(number);
    FileStatus st = SaveAPIFrameDataHandle.open(name);
    if (!st.ok) {
        dialogs_.message("CANNOT OPEN FILE",
                         "The API frame data file could not be opened for writing.\n" + st.message);
        return;
    }
    series_ = series;
    number_ = number;
    fileName_ = name;
    boundary_.reset();
    pending_.clear();
    framesBefore_ = framesInFile_ = 0;
    paused_ = false;
    APIFrameDataFileOpen_ = 1;
    SaveFileInterval =
        recorder_.OutputDataFileOpen != 0 ? recorder_.SaveFileInterval : kContinuousFile;
    dayCounter_ = 0;
    lastDay_ = clock_.now().day;
    status_.started();
    showCapturing(true);
    showStatus();
}

void FrameCapture::showStatus() {
    if (APIFrameDataFileOpen_ == 0) return;
    status_.show(fileName_, SaveAPIFrameDataHandle.size(), framesBefore_ + framesInFile_, "frames");
}

void FrameCapture::close() {
    SaveAPIFrameDataHandle.close();
    pending_.clear();
    APIFrameDataFileOpen_ = 0;
    paused_ = false;
}

void FrameCapture::StopAPIFrameDataToFile() {
    close();
    showCapturing(false);
    status_.hide();
}

void FrameCapture::captureByte(std::uint8_t byte) { captureBytes(std::span(&byte, 1)); }

void FrameCapture::captureBytes(std::span<const std::uint8_t> bytes) {
    if (APIFrameDataFileOpen_ == 0 || paused_ || bytes.empty()) return;
    for (std::uint8_t b : bytes) boundary_.take(b);
    // Bytes up to the end of the last whole frame go to the file; the frame still arriving
    // waits here, so that nothing that ends the program can leave half a frame behind.
    const auto ready =
        static_cast<std::size_t>(boundary_.safeLength() - SaveAPIFrameDataHandle.size());
    FileStatus st;
    if (pending_.empty()) {
        if (ready > 0) st = SaveAPIFrameDataHandle.write(bytes.data(), ready);
        pending_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(ready), bytes.end());
    } else {
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        if (ready > 0) st = SaveAPIFrameDataHandle.write(pending_.data(), ready);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(ready));
    }
    if (st.ok) {
        framesInFile_ = boundary_.frames();
        return;
    }
    // The frames did not fit: the file is back where it stood, on its last whole frame.
    if (SaveAPIFrameDataHandle.size() == 0 && removeIfEmptyFile(fileName_)) --number_;
    pause("Writing the API frame data file failed; the capture is paused.\n" + st.message +
          "\nThe file ends on its last complete frame. The capture goes on in the next free "
          "file as soon as there is room.");
}

// The capture waits (the bytes meanwhile are not kept) and tries again every few seconds.
void FrameCapture::pause(const std::string& text) {
    const bool already = paused_;
    SaveAPIFrameDataHandle.close();
    pending_.clear();
    paused_ = true;
    pausedTicks_ = 0;
    panel_.setValue(Ctl::CaptureIndicator, 0);
    status_.warn(
        "Writing stopped: the file cannot be written (disk full?). The capture goes on "
        "in the next free file when it can.");
    if (!already) dialogs_.message("CAPTURE PAUSED", text);
}

// The next free file, its folder made again if it has gone. carryOn: the frame arriving goes
// on in it (a new day, a file gone); otherwise the stream starts afresh (after a pause).
bool FrameCapture::openNumbered(int from, bool carryOn) {
    const int n = nextFreeInSeries(series_, from, existingFile, dialogs_);
    if (n < 0) return false;
    const std::string name = series_.name(n);
    makeFolderFor(name);
    if (FileStatus st = SaveAPIFrameDataHandle.open(name); !st.ok) {
        number_ = n - 1;  // this number is tried again
        pause("The next API frame data file could not be opened; the capture is paused.\n" +
              st.message + "\nThe capture goes on in the next free file as soon as one can "
                           "be opened.");
        return false;
    }
    number_ = n;
    fileName_ = name;
    framesBefore_ += framesInFile_;
    framesInFile_ = 0;
    if (carryOn) {
        boundary_.startAgain();
    } else {
        boundary_.reset();
        pending_.clear();
    }
    return true;
}

void FrameCapture::nextDay() {
    const int today = clock_.now().day;
    if (today == lastDay_) return;
    lastDay_ = today;
    if (SaveFileInterval == kContinuousFile || ++dayCounter_ < SaveFileInterval) return;
    dayCounter_ = 0;
    if (paused_) return;  // the next file starts when it can be written
    SaveAPIFrameDataHandle.close();
    openNumbered(number_ + 1, true);
}

// The unit type changed: the frames of the new one start afresh in the next free file.
void FrameCapture::goOnInNextFile(const std::string& why) {
    if (APIFrameDataFileOpen_ == 0) return;
    if (!paused_) {
        SaveAPIFrameDataHandle.close(boundary_.safeLength());
        if (!openNumbered(number_ + 1, false)) return;  // paused, and the operator told why
    }
    status_.note(why);
    showStatus();
}

void FrameCapture::fileSyncTick() {
    if (APIFrameDataFileOpen_ == 0) return;
    nextDay();
    if (paused_) {
        if (++pausedTicks_ < kResumeTicks) return;
        pausedTicks_ = 0;
        makeFolderFor(series_.first());
        if (freeSpaceFor(series_.first()) < kResumeFreeBytes || !openNumbered(number_ + 1, false))
            return;
        paused_ = false;
        panel_.setValue(Ctl::CaptureIndicator, 1);
        status_.clearWarning();
        showStatus();
        dialogs_.message("CAPTURE RESUMED", "The capture goes on in " + fileName_ + ".");
        return;
    }
    if (!SaveAPIFrameDataHandle.stillAtPath()) {
        const std::string gone = fileName_;
        SaveAPIFrameDataHandle.close();
        const bool goesOn = openNumbered(number_ + 1, true);
        dialogs_.message("CAPTURE FILE GONE",
                         gone + " is no longer there (deleted, moved, or its folder removed).\n" +
                             (goesOn ? "The capture goes on in " + fileName_ + "."
                                     : std::string("The capture goes on as soon as a new file "
                                                   "can be opened.")));
        return;
    }
    SaveAPIFrameDataHandle.sync();
    showStatus();
}

// A capture that ended without its close (a power cut, or a program before this one) may
// have left half a frame at the end of its file: that is cut off, and said.
void FrameCapture::trimTornEnd(const std::string& path) {
    constexpr std::uint64_t kLongestFrame = 2 * (65535 + 4);  // every byte escaped
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(path, ec);
    if (ec || size == 0 || !std::filesystem::is_regular_file(path, ec)) return;
    const std::uint64_t from = size > kLongestFrame ? size - kLongestFrame : 0;
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    if (!in.read(tail.data(), static_cast<std::streamsize>(tail.size()))) return;
    const std::size_t start = tail.rfind(static_cast<char>(kDelimiter));
    if (start == std::string::npos) return;
    FrameBoundary last;
    for (std::size_t i = start; i < tail.size(); ++i)
        last.take(static_cast<std::uint8_t>(tail[i]));
    if (last.safeLength() == tail.size() - start) return;  // it ends on a whole frame
    in.close();
    std::filesystem::resize_file(path, from + start, ec);
    if (ec) return;
    dialogs_.message("CAPTURE FILE MENDED",
                     path + " ended in an incomplete frame (its capture was not closed): the "
                            "last " + std::to_string(tail.size() - start) + " bytes were cut off.");
}

void FrameCapture::showCapturing(bool on) {
    panel_.setDimmed(Ctl::MenuSaveApiFrames, on);
    panel_.setDimmed(Ctl::MenuStopApiFrames, !on);
    panel_.setValue(Ctl::CaptureIndicator, on ? 1 : 0);
    panel_.setVisible(Ctl::CaptureIndicator, on);
}

void FrameCapture::closeOnExit() { close(); }

}  // namespace live
