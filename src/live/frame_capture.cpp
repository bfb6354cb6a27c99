#include "live/frame_capture.h"

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
                           const platform::Clock& clock)
    : panel_(panel),
      dialogs_(dialogs),
      status_(panel, clock, {Ctl::CaptureFile, Ctl::CaptureWritten, Ctl::CaptureWarning}) {}

void FrameCapture::SaveAPIDataToFile() {
    platform::FileSelectRequest request;
    request.pattern = "*.DAT";
    request.typeList = "*.txt;*.*";
    request.title = "Save API Frame Data To:";
    request.save = true;
    platform::FileSelection chosen = dialogs_.fileSelect(request);
    if (!chosen.ok() || chosen.path.empty()) return;
    baseName_ = captureFileName(chosen.path);
    number_ = startNumber(
        chosen.path, baseName_, [&](int n) { return numberedCaptureName(baseName_, n); },
        existingFile, dialogs_);
    if (number_ < 0) return;
    fileName_ = numberedCaptureName(baseName_, number_);
    FileStatus st = SaveAPIFrameDataHandle.open(fileName_);
    if (!st.ok) {
        dialogs_.message("CANNOT OPEN FILE",
                         "The API frame data file could not be opened for writing.\n" + st.message);
        return;
    }
    boundary_.reset();
    framesBefore_ = 0;
    paused_ = false;
    APIFrameDataFileOpen_ = 1;
    status_.started();
    showCapturing(true);
    showStatus();
}

void FrameCapture::showStatus() {
    if (APIFrameDataFileOpen_ == 0) return;
    status_.show(fileName_, boundary_.safeLength(), framesBefore_ + boundary_.frames(), "frames");
}

void FrameCapture::close() {
    SaveAPIFrameDataHandle.close(boundary_.safeLength());
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
    FileStatus st = SaveAPIFrameDataHandle.write(bytes.data(), bytes.size());
    if (st.ok) {
        for (std::uint8_t b : bytes) boundary_.take(b);
        return;
    }
    // The block did not fit: the file is back where it stood, and is cut to its last whole
    // frame. The capture goes on in the next free file when there is room.
    SaveAPIFrameDataHandle.close(boundary_.safeLength());
    if (boundary_.safeLength() == 0 && removeIfEmptyFile(fileName_)) --number_;
    paused_ = true;
    pausedTicks_ = 0;
    panel_.setValue(Ctl::CaptureIndicator, 0);
    status_.warn(
        "Writing stopped: the file cannot take more (disk full?). The capture goes on "
        "in the next free file when there is room.");
    dialogs_.message("CAPTURE PAUSED",
                     "Writing the API frame data file failed; the capture is paused.\n" +
                         st.message +
                         "\nThe file ends on its last complete frame. The capture goes on in "
                         "the next free file as soon as there is room.");
}

bool FrameCapture::openNumbered(int from) {
    const int n = nextFreeNumber([&](int k) { return numberedCaptureName(baseName_, k); }, from,
                                 kLastFileNumber);
    if (n < 0) return false;
    const std::string name = numberedCaptureName(baseName_, n);
    if (!SaveAPIFrameDataHandle.open(name).ok) return false;
    number_ = n;
    fileName_ = name;
    framesBefore_ += boundary_.frames();
    boundary_.reset();
    return true;
}

void FrameCapture::fileSyncTick() {
    if (APIFrameDataFileOpen_ == 0) return;
    if (!paused_) {
        SaveAPIFrameDataHandle.sync();
        showStatus();
        return;
    }
    if (++pausedTicks_ < kResumeTicks) return;
    pausedTicks_ = 0;
    if (freeSpaceFor(baseName_) < kResumeFreeBytes || !openNumbered(number_ + 1)) return;
    paused_ = false;
    panel_.setValue(Ctl::CaptureIndicator, 1);
    status_.clearWarning();
    showStatus();
    dialogs_.message("CAPTURE RESUMED",
                     "There is room again: the capture goes on in " + fileName_ + ".");
}

void FrameCapture::showCapturing(bool on) {
    panel_.setDimmed(Ctl::MenuSaveApiFrames, on);
    panel_.setDimmed(Ctl::MenuStopApiFrames, !on);
    panel_.setValue(Ctl::CaptureIndicator, on ? 1 : 0);
    panel_.setVisible(Ctl::CaptureIndicator, on);
}

void FrameCapture::closeOnExit() { close(); }

}  // namespace live
