#pragma once
#include <cstdint>
#include <string>

#include "app/shell.h"
#include "link/api_frame.h"
#include "live/recorder.h"
#include "live/unbuffered_file.h"
#include "live/writing_status.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace live {

// Follows the adapter's byte stream to know where the last complete frame ends: a start
// delimiter (0x7E, never found inside a frame in API mode 2), a two-byte length, the frame
// data and a checksum, with 0x7D escapes in between.
class FrameBoundary {
  public:
    // Takes the next byte; afterwards safeLength() is the number of bytes taken that end on
    // a complete frame (or on bytes between frames).
    void take(std::uint8_t byte);
    std::uint64_t safeLength() const { return safe_; }
    // Frames completed since the last reset.
    std::uint64_t frames() const { return frames_; }
    void reset() { *this = FrameBoundary{}; }

  private:
    std::uint64_t taken_ = 0;
    std::uint64_t safe_ = 0;
    std::uint64_t frames_ = 0;
    bool inFrame_ = false;
    bool escaped_ = false;
    int seen_ = 0;  // unescaped bytes after the delimiter
    int length_ = 0;
};

// The .DAT capture: every byte the radio adapter sends, still escaped, exactly as received,
// with no separators or time stamps (the adapter's own frame stream). The file always ends on
// a complete frame: a frame still arriving when the capture stops, or torn by a full disk, is
// cut off.
class FrameCapture : public links::RawCapture, public app::ClosesOnExit {
  public:
    FrameCapture(platform::Panel& panel, platform::Dialogs& dialogs, const platform::Clock& clock);

    // The File menu item: starts a capture, or stops the one running.
    void SaveAPIDataToFile();
    void StopAPIFrameDataToFile();

    bool APIFrameDataFileOpen() const override { return APIFrameDataFileOpen_ != 0; }
    void captureByte(std::uint8_t byte) override;
    void captureBytes(std::span<const std::uint8_t> bytes) override;
    // Once a second: to the disk; after a full disk, on into the next free file when there is room.
    void fileSyncTick();

    void closeOnExit() override;

    const std::string& SaveAPIFrameDataFileName() const { return fileName_; }
    bool paused() const { return paused_; }
    ExistingFile existingFile = ExistingFile::Ask;

  private:
    void showCapturing(bool on);
    void showStatus();
    void close();
    bool openNumbered(int from);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    int APIFrameDataFileOpen_ = 0;
    UnbufferedFile SaveAPIFrameDataHandle;
    FrameBoundary boundary_;
    std::string baseName_, fileName_;
    int number_ = 0;
    bool paused_ = false;
    int pausedTicks_ = 0;
    WritingStatus status_;
    std::uint64_t framesBefore_ = 0;  // frames in the earlier files of this capture
};

}  // namespace live
