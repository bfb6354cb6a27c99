#pragma once
#include <cstdint>
#include <string>
#include <vector>

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
    // Counts from the last safe point on, as the start of a new file, keeping the frame in
    // progress: the bytes after that point are the new file's first.
    void startAgain() {
        taken_ -= safe_;
        safe_ = 0;
        frames_ = 0;
    }

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
// with no separators or time stamps (the adapter's own frame stream). Only whole frames go to
// the file (a frame still arriving waits in memory), so the file ends on a complete frame
// whatever ends the program; a frame torn by a full disk is cut off. The files follow the
// recording's days per file, a file no longer at its path is followed by a new one, and a
// file that cannot be opened pauses the capture until one can.
class FrameCapture : public links::RawCapture, public app::ClosesOnExit {
  public:
    FrameCapture(platform::Panel& panel, platform::Dialogs& dialogs, const platform::Clock& clock,
                 const Recorder& recorder);

    // The File menu item: starts a capture, or stops the one running.
    void SaveAPIDataToFile();
    void StopAPIFrameDataToFile();

    // The file in hand ends (on its last whole frame) and the capture goes on in the next free
    // numbered file, with `why` shown under it.
    void goOnInNextFile(const std::string& why);

    bool APIFrameDataFileOpen() const override { return APIFrameDataFileOpen_ != 0; }
    void captureByte(std::uint8_t byte) override;
    void captureBytes(std::span<const std::uint8_t> bytes) override;
    // Once a second: to the disk; the next file after the days per file; after a full disk or
    // a file that could not be opened, on into the next free file when it can.
    void fileSyncTick();

    void closeOnExit() override;

    const std::string& SaveAPIFrameDataFileName() const { return fileName_; }
    bool paused() const { return paused_; }
    ExistingFile existingFile = ExistingFile::Ask;
    // Days per capture file, 99 = one file: the recording's, when it runs as the capture
    // starts (the window has no question of its own for it).
    int SaveFileInterval = kContinuousFile;

  private:
    void showCapturing(bool on);
    void showStatus();
    void close();
    bool openNumbered(int from, bool carryOn);
    void pause(const std::string& text);
    void nextDay();
    void trimTornEnd(const std::string& path);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    const platform::Clock& clock_;
    const Recorder& recorder_;
    int APIFrameDataFileOpen_ = 0;
    UnbufferedFile SaveAPIFrameDataHandle;
    FrameBoundary boundary_;
    std::vector<std::uint8_t> pending_;  // received, not yet a whole frame, not yet written
    FileSeries series_;
    std::string fileName_;
    int number_ = 0;
    bool paused_ = false;
    int pausedTicks_ = 0;
    int dayCounter_ = 0;
    int lastDay_ = 0;
    WritingStatus status_;
    std::uint64_t framesBefore_ = 0;  // frames in the earlier files of this capture
    std::uint64_t framesInFile_ = 0;  // and in the one being written
};

}  // namespace live
