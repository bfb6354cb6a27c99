#include "upload/flash_upload.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace upload {

using platform::Ctl;
using End = UploadResult::End;

namespace {

constexpr int kBlock = 512;                  // a shorter block is the file's last
constexpr int kPrefix = 4;                   // "$OR," before the block's bytes
constexpr int kSilentTicks = 7;              // the 8th upload tick without a block gives up
constexpr int kRepeatIntervalMs = 2000;      // upload timer period after its first tick
constexpr int kTicksAfterAllIn = 2;          // silent ticks before a file of whole blocks ends
constexpr long long kLargeUpload = 1000000;  // bytes; a larger file asks before it is uploaded
constexpr int kPaceBlocks = 8;  // an upload that moved fewer blocks gives no pace to go by

std::string seconds(double s) {
    char text[32];
    const int whole = static_cast<int>(s + 0.5);
    if (whole < 60) {
        std::snprintf(text, sizeof text, "%d s", whole);
    } else {
        std::snprintf(text, sizeof text, "%d min %02d s", whole / 60, whole % 60);
    }
    return text;
}

}  // namespace

std::string UploadResult::describe() const {
    char bytes[64];
    std::snprintf(bytes, sizeof bytes, "%lld of %lld bytes", received, size);
    std::string what = "Upload of file " + std::to_string(file);
    switch (end) {
        case End::Complete:
            what += " complete: ";
            break;
        case End::TimedOut:
            what += " INCOMPLETE, the logger stopped sending: ";
            break;
        case End::Short:
            what += " INCOMPLETE, the logger ended the file early: ";
            break;
        case End::Over:
            what += " INCOMPLETE, more bytes came than the logger announced (a block repeated?): ";
            break;
        case End::Stopped:
            what += " stopped by the operator, INCOMPLETE: ";
            break;
        case End::FileError:
            what += " INCOMPLETE, the file could not be written: ";
            break;
        case End::None:
            what += ": ";
            break;
    }
    what += bytes + (" in " + path);
    if (sizeRepeated)
        what += " (the logger answered the size request twice; the second answer was ignored)";
    return what;
}

FlashUpload::FlashUpload(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                         config::UploadState& state, config::CommandSender& sender,
                         const std::array<char, 1024>& RxChars, const int& RxLength)
    : panel_(panel),
      dialogs_(dialogs),
      clock_(clock),
      s_(state),
      sender_(sender),
      rx_(RxChars),
      rxLength_(RxLength) {}

void FlashUpload::ReadActiveFile() {
    for (Ctl c : {Ctl::StartNewFile, Ctl::UpLoadFileNumber, Ctl::UpLoadFile})
        panel_.setDimmed(c, true);
    sender_.awaitConfirmation(Ctl::ActiveFile);
    sender_.send(config::Cmd::ReadActiveFile, {}, 0);
}

void FlashUpload::StartNewFile() {
    panel_.setDimmed(Ctl::StartNewFile, true);
    sender_.send(config::Cmd::StartNewFile, {}, 0);
    sender_.TxWait() = 0;
    // The new file's number is shown at once, and the file just closed can be uploaded.
    ReadActiveFile();
}

void FlashUpload::UpLoadFile() {
    UpLoading = panel_.intValue(Ctl::UpLoadFile);
    if (UpLoading == 0) {
        if (UpLoadPCFileOpen != 0) {
            end(End::Stopped);
        } else {
            CloseUpLoadFile();
        }
        return;
    }
    UpLoadFileNumber = panel_.intValue(Ctl::UpLoadFileNumber);
    sizeTaken_ = false;
    sizeRepeated_ = false;
    panel_.setText(Ctl::UploadStatus, "Asking the logger for the size of file " +
                                          std::to_string(UpLoadFileNumber) + " ...");
    sizeAskedMs_ = clock_.processorMs();
    sender_.send(config::Cmd::ReadFileSize, config::Args::of(UpLoadFileNumber), 0);
}

bool FlashUpload::takeSizeReply() {
    if (UpLoading != 0 && !sizeTaken_) {
        sizeTaken_ = true;
        return true;
    }
    // A second answer would open a second file dialog in the middle of the upload, and the same
    // file again would be cut short under the blocks still coming.
    if (UpLoading != 0) sizeRepeated_ = true;
    return false;
}

std::string FlashUpload::largeFileQuestion(int file, long long size, double secondsPerBlock,
                                           double sizeAnswerSeconds) {
    const long long blocks = size / kBlock + 1;  // the last, shorter or empty, block too
    char head[160];
    std::snprintf(head, sizeof head,
                  "File %d on the logger holds %lld bytes (%.1f MB): %lld blocks of %d bytes, "
                  "each asked for and sent in turn.\n",
                  file, size, static_cast<double>(size) / 1e6, blocks, kBlock);
    std::string text = head;
    char pace[32];
    if (secondsPerBlock > 0) {
        std::snprintf(pace, sizeof pace, "%.2f s", secondsPerBlock);
        text += std::string("At the ") + pace +
                " a block took in the last upload, this one takes about " +
                seconds(secondsPerBlock * static_cast<double>(blocks)) + ".\n";
    } else if (sizeAnswerSeconds > 0) {
        std::snprintf(pace, sizeof pace, "%.2f s", sizeAnswerSeconds);
        text += std::string("The logger took ") + pace +
                " to answer the size request; at that for each block the upload takes about " +
                seconds(sizeAnswerSeconds * static_cast<double>(blocks)) +
                ", longer if the radio link is slow.\n";
    }
    return text + "The Upload page shows the time left while it runs.\nDo you want to continue?";
}

void FlashUpload::OpenUpLoadFile() {
    // A large file takes long: the operator is told how long first.
    const long long size = s_.UpLoadfileSize;
    if (size > kLargeUpload &&
        !dialogs_.confirm("LARGE FILE CONFIRM UPLOAD",
                          largeFileQuestion(UpLoadFileNumber, size, secondsPerBlock_,
                                            (clock_.processorMs() - sizeAskedMs_) / 1000.0))) {
        panel_.setValue(Ctl::UpLoadFile, 0);
        UpLoading = 0;
        panel_.setText(Ctl::UploadStatus, "File " + std::to_string(UpLoadFileNumber) +
                                              " not uploaded: the operator declined.");
        return;
    }
    if (radioScanMayRun) radioScanMayRun(false);
    platform::FileSelectRequest ask;
    ask.title = "Save UpLoad File To:";
    ask.pattern = "*.DAT";
    ask.typeList = "*.*";
    ask.save = true;
    const platform::FileSelection chosen = dialogs_.fileSelect(ask);
    const bool take = chosen.ok() && (!chosen.existed() ||
                                      dialogs_.confirm("Confirm Save File",
                                                       "The file already exist\n Do you want to "
                                                       "replace it?"));
    if (!take) {
        panel_.setValue(Ctl::UpLoadFile, 0);
        UpLoading = 0;
        panel_.setText(Ctl::UploadStatus, "No file chosen: nothing uploaded.");
        CloseUpLoadFile();
        return;
    }
    // The bytes go to a name that says the file is incomplete; it gets the chosen name (over a
    // file the operator agreed to replace) only when every announced byte has arrived.
    const live::FileStatus opened = file_.open(incompleteName(chosen.path));
    if (!opened.ok) {
        dialogs_.message("UPLOAD FILE NOT OPENED", opened.message);
        panel_.setValue(Ctl::UpLoadFile, 0);
        UpLoading = 0;
        panel_.setText(Ctl::UploadStatus, opened.message);
        CloseUpLoadFile();
        return;
    }
    SaveFileName = chosen.path;
    panel_.setText(Ctl::UploadPath, SaveFileName);
    for (Ctl c : {Ctl::UploadPath, Ctl::UploadProgress}) panel_.setDimmed(c, false);
    UpLoadPCFileOpen = 1;
    UpLoadTimeOutCount = 0;
    allIn_ = false;
    lastCameAgain_ = false;
    UpLoadingAmount = 0;
    result_ = {End::None, UpLoadFileNumber, 0, s_.UpLoadfileSize, incompleteName(SaveFileName)};
    startedMs_ = clock_.processorMs();
    showProgress();
    panel_.setTimerEnabled(Ctl::UpLoadTimer, true);
    sender_.send(config::Cmd::OpenFile, config::Args::of(UpLoadFileNumber), 0);
    sender_.TxWait() = 0;
}

void FlashUpload::UpLoadReadFile() {
    // A block repeated after the upload ended has no file to go to.
    if (UpLoadPCFileOpen == 0) return;
    const int n = std::clamp(rxLength_ - kPrefix, 0, static_cast<int>(rx_.size()) - kPrefix);
    // "OA" asks for a block again after a tick without one. A logger that never heard the
    // "OR" before it (a lost "OR") answers with the block already written; one slower than the
    // tick sends the block twice, its answer to "OA" and the one it was preparing. So two equal
    // blocks in a row, one of them an answer to "OA", are one block sent twice, and the second
    // is no part of the file. (Should two blocks of a file be equal, the skip leaves the file
    // short, and the upload is reported incomplete: never a file with a block twice.)
    const bool again = rx_[2] == 'A';
    if ((again || lastCameAgain_) && UpLoadingAmount >= kBlock && n == kBlock &&
        std::equal(lastBlock_.begin(), lastBlock_.end(), rx_.begin() + kPrefix)) {
        lastCameAgain_ = false;
        UpLoadTimeOutCount = 0;
        panel_.setTimerEnabled(Ctl::UpLoadTimer, false);
        panel_.setTimerEnabled(Ctl::UpLoadTimer, true);
        // The logger that lost the "OR" waits for it; the block it was preparing was asked
        // for already.
        if (again) sender_.send(config::Cmd::ReadBlock, {}, 0);
        sender_.TxWait() = 0;
        return;
    }
    lastCameAgain_ = again;
    const live::FileStatus wrote = file_.write(rx_.data() + kPrefix, static_cast<std::size_t>(n));
    if (!wrote.ok) {
        dialogs_.message("UPLOAD STOPPED", wrote.message);
        end(End::FileError);
        return;
    }
    UpLoadingAmount += n;
    UpLoadTimeOutCount = 0;
    // The pace up to the last block in: what the next large file's question goes by.
    if (UpLoadingAmount >= kPaceBlocks * kBlock) {
        secondsPerBlock_ = (clock_.processorMs() - startedMs_) / 1000.0 /
                           (static_cast<double>(UpLoadingAmount) / kBlock);
    }
    if (n == kBlock) std::copy_n(rx_.begin() + kPrefix, kBlock, lastBlock_.begin());
    showProgress();
    // A short block is the file's last; so is any block after the announced size was reached
    // (it makes the file longer than announced: a block came twice).
    if (n < kBlock || allIn_) {
        sender_.TxWait() = 0;
        end(End::Short);
        return;
    }
    // A file of whole blocks may end with an empty block or with none: once the announced size
    // is in, the upload only waits a little for a block that would say something went twice.
    if (UpLoadingAmount == s_.UpLoadfileSize) {
        allIn_ = true;
        UpLoadTimeOutCount = kSilentTicks + 1 - kTicksAfterAllIn;
    }
    // The protocol has no block numbers: an "OA" while blocks still flow may bring the block
    // just written a second time. So the timer starts afresh with every block, and "OA" goes
    // only after a whole tick in which none came.
    panel_.setTimerEnabled(Ctl::UpLoadTimer, false);
    panel_.setTimerEnabled(Ctl::UpLoadTimer, true);
    sender_.send(config::Cmd::ReadBlock, {}, 0);
    sender_.TxWait() = 0;
}

void FlashUpload::UpLoadTimer() {
    if (++UpLoadTimeOutCount > kSilentTicks) {
        end(End::TimedOut);
        return;
    }
    // With every byte in, a repeated block could only be taken for more of the file.
    if (allIn_) return;
    sender_.send(config::Cmd::RepeatBlock, {}, 0);
    panel_.setTimerInterval(Ctl::UpLoadTimer, kRepeatIntervalMs);
}

void FlashUpload::CloseUpLoadFile() {
    panel_.setTimerEnabled(Ctl::UpLoadTimer, false);
    panel_.setValue(Ctl::UpLoadFile, 0);
    UpLoading = 0;
    sender_.send(config::Cmd::CloseFile, {}, 0);
    s_.UpLoadDLFileOpen = 0;
    if (UpLoadPCFileOpen != 0) file_.close();
    UpLoadPCFileOpen = 0;
    if (radioScanMayRun) radioScanMayRun(true);
}

// Ends an upload that had its file open, and says how it went: only an upload that got every
// byte the logger announced is reported as complete.
void FlashUpload::end(End how) {
    result_.received = UpLoadingAmount;
    result_.sizeRepeated = sizeRepeated_;
    const long long size = s_.UpLoadfileSize;
    if (how == End::Short && UpLoadingAmount > size) how = End::Over;
    if (how != End::FileError && UpLoadingAmount == size) how = End::Complete;
    result_.end = how;
    CloseUpLoadFile();
    if (how == End::Complete) {
        std::error_code failed;
        std::filesystem::rename(result_.path, SaveFileName, failed);
        if (failed) {
            result_.end = End::FileError;
            dialogs_.message("UPLOAD FILE NOT NAMED",
                             "The upload is in " + result_.path + ": it could not be renamed to " +
                                 SaveFileName + " (" + failed.message() + ").");
        } else {
            result_.path = SaveFileName;
        }
    }
    panel_.setText(Ctl::UploadPath, result_.path);
    const std::string said = result_.describe();
    panel_.setText(Ctl::UploadStatus, said);
    if (result_.end != End::Complete) dialogs_.message("UPLOAD INCOMPLETE", said);
    if (finished) finished(result_);
}

void FlashUpload::showProgress() {
    const long long size = s_.UpLoadfileSize;
    // Bytes per percent; a file under 100 bytes has none, and goes by its size instead.
    double percent = 100.0;
    if (s_.UpLoadDiv100Size > 0) {
        percent = static_cast<float>(UpLoadingAmount) / static_cast<float>(s_.UpLoadDiv100Size);
    } else if (size > 0) {
        percent = 100.0 * static_cast<double>(UpLoadingAmount) / static_cast<double>(size);
    }
    percent = std::min(percent, 100.0);
    char text[32];
    std::snprintf(text, sizeof text, "%2.1f%%", percent);
    panel_.setText(Ctl::UploadPercent, text);
    panel_.setValue(Ctl::UploadProgress, percent);
    char bytes[96];
    std::snprintf(bytes, sizeof bytes, "%lld of %lld bytes", UpLoadingAmount, size);
    std::string status = bytes;
    const double elapsed = (clock_.processorMs() - startedMs_) / 1000.0;
    if (UpLoadingAmount > 0 && UpLoadingAmount < size && elapsed > 0) {
        const double left = elapsed * static_cast<double>(size - UpLoadingAmount) /
                            static_cast<double>(UpLoadingAmount);
        status += ", about " + seconds(left) + " left";
    }
    panel_.setText(Ctl::UploadStatus, status);
}

}  // namespace upload
