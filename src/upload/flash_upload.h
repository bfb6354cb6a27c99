#pragma once
#include <array>
#include <functional>
#include <string>

#include "config/command_sender.h"
#include "config/config_state.h"
#include "live/unbuffered_file.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace upload {

// How an upload ended, for the operator and for headless runs.
// An upload is complete when, and only when, the bytes received equal the size the logger
// announced, however it ended; the other ends say why it stopped short (or went past).
struct UploadResult {
    enum class End { None, Complete, TimedOut, Short, Over, Stopped, FileError } end = End::None;
    int file = 0;
    long long received = 0;
    long long size = 0;
    std::string path;           // where the bytes are: the chosen name only when complete
    bool sizeRepeated = false;  // the logger answered the size request again meanwhile
    bool complete() const { return end == End::Complete; }
    // "Upload of file 2 complete: 3000 of 3000 bytes in /tmp/x.DAT" and the like.
    std::string describe() const;
};

// Copies a closed file from the data logger's flash card to this computer, block by block,
// straight to the file as the blocks arrive. Also the active-file read-out and the start of
// a new file on the upload tab.
class FlashUpload {
  public:
    FlashUpload(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                config::UploadState& state, config::CommandSender& sender,
                const std::array<char, 1024>& RxChars, const int& RxLength);

    // Pauses the radio scan's timer while an upload runs (false), and lets it run again.
    std::function<void(bool)> radioScanMayRun;
    // The upload has ended (for headless runs).
    std::function<void(const UploadResult&)> finished;

    void ReadActiveFile();
    void StartNewFile();
    void UpLoadFile();
    void UpLoadTimer();
    // Whether a size reply is to be taken: the first after the switch went on is; a second one
    // (the scan resends the request when the logger is slow) is not, and is reported once.
    bool takeSizeReply();
    void OpenUpLoadFile();
    void UpLoadReadFile();
    void CloseUpLoadFile();

    int UpLoading = 0;
    int UpLoadFileNumber = 0;
    long long UpLoadingAmount = 0;
    int UpLoadTimeOutCount = 0;
    int UpLoadPCFileOpen = 0;
    std::string SaveFileName;  // the name chosen; the bytes go to incompleteName() until complete
    static std::string incompleteName(const std::string& chosen) { return chosen + ".incomplete"; }

    const UploadResult& lastResult() const { return result_; }

    // The question asked before a file over a megabyte is uploaded: its size, its blocks and
    // the time it should take, from the last upload's pace when there was one this run, or
    // else from how long the logger took to answer the size request.
    static std::string largeFileQuestion(int file, long long size, double secondsPerBlock,
                                         double sizeAnswerSeconds);

  private:
    void end(UploadResult::End how);
    void showProgress();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    config::UploadState& s_;
    config::CommandSender& sender_;
    const std::array<char, 1024>& rx_;
    const int& rxLength_;
    live::UnbufferedFile file_;
    double startedMs_ = 0;
    double sizeAskedMs_ = 0;      // when the size of the file to upload was asked
    double secondsPerBlock_ = 0;  // the pace of the last upload that moved blocks; 0 before
    bool sizeTaken_ = false;
    bool allIn_ = false;  // every announced byte has come; only an empty block may follow
    // The last full block written, to tell a block the logger sends again from the next one.
    std::array<char, 512> lastBlock_{};
    bool lastCameAgain_ = false;  // the last block written was an answer to "OA"
    bool sizeRepeated_ = false;
    UploadResult result_;
};

}  // namespace upload
