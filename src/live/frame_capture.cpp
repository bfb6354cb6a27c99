#include "live/frame_capture.h"

#include <filesystem>

#include "platform/control_table.h"

namespace live {

using platform::Ctl;

FrameCapture::FrameCapture(platform::Panel& panel, platform::Dialogs& dialogs)
    : panel_(panel), dialogs_(dialogs) {}

void FrameCapture::SaveAPIDataToFile() {
    platform::FileSelectRequest request;
    request.pattern = "*.DAT";
    request.typeList = "*.txt;*.*";
    request.title = "Save API Frame Data To:";
    request.save = true;
    platform::FileSelection chosen = dialogs_.fileSelect(request);
    if (!chosen.ok() || chosen.path.empty()) return;
    std::error_code ec;
    if (std::filesystem::exists(chosen.path, ec) &&
        !dialogs_.confirm("Confirm Save File", "The file already exist\n Do you want to replace it?")) {
        return;
    }
    FileStatus st = SaveAPIFrameDataHandle.open(chosen.path);
    if (!st.ok) {
        dialogs_.message("CANNOT OPEN FILE",
                         "The API frame data file could not be opened for writing.\n" + st.message);
        return;
    }
    APIFrameDataFileOpen_ = 1;
    showCapturing(true);
}

void FrameCapture::StopAPIFrameDataToFile() {
    SaveAPIFrameDataHandle.close();
    APIFrameDataFileOpen_ = 0;
    showCapturing(false);
}

void FrameCapture::captureByte(std::uint8_t byte) { captureBytes(std::span(&byte, 1)); }

void FrameCapture::captureBytes(std::span<const std::uint8_t> bytes) {
    if (APIFrameDataFileOpen_ == 0 || bytes.empty()) return;
    FileStatus st = SaveAPIFrameDataHandle.write(bytes.data(), bytes.size());
    if (!st.ok) {
        StopAPIFrameDataToFile();
        dialogs_.message("CAPTURE STOPPED",
                         "Writing the API frame data file failed; the capture has stopped.\n" +
                             st.message + "\nThe bytes written before are kept in the file.");
    }
}

void FrameCapture::showCapturing(bool on) {
    panel_.setDimmed(Ctl::MenuSaveApiFrames, on);
    panel_.setDimmed(Ctl::MenuStopApiFrames, !on);
    panel_.setValue(Ctl::CaptureIndicator, on ? 1 : 0);
    panel_.setVisible(Ctl::CaptureIndicator, on);
}

void FrameCapture::closeOnExit() {
    SaveAPIFrameDataHandle.close();
    APIFrameDataFileOpen_ = 0;
}

}  // namespace live
