#pragma once
#include <cstdint>
#include <string>

#include "app/shell.h"
#include "link/api_frame.h"
#include "live/unbuffered_file.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace live {

// The .DAT capture: every byte the radio adapter sends, still escaped, exactly as received,
// with no separators or time stamps (the adapter's own frame stream).
class FrameCapture : public links::RawCapture, public app::ClosesOnExit {
public:
    FrameCapture(platform::Panel& panel, platform::Dialogs& dialogs);

    // The File menu item: starts a capture, or stops the one running.
    void SaveAPIDataToFile();
    void StopAPIFrameDataToFile();

    bool APIFrameDataFileOpen() const override { return APIFrameDataFileOpen_ != 0; }
    void captureByte(std::uint8_t byte) override;
    void captureBytes(std::span<const std::uint8_t> bytes) override;

    void closeOnExit() override;

    const std::string& SaveAPIFrameDataFileName() const { return SaveAPIFrameDataHandle.path(); }

private:
    void showCapturing(bool on);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    int APIFrameDataFileOpen_ = 0;
    UnbufferedFile SaveAPIFrameDataHandle;
};

}  // namespace live
