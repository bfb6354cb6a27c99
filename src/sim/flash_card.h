#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "platform/clock.h"

namespace sim {

// The data logger's flash card: numbered files, the highest one being written. Closed files
// have fixed, known contents (content(n)) so an upload can be checked byte for byte: file 1
// holds exactly 1,024 bytes (two whole blocks), file 2 3,000, file 3 a little over 1,000,000
// (an upload the host asks about first), file 4 60 (under 100 bytes) and file 5 1,536; they
// are read out in 512-byte blocks, and a block shorter than that ends the file.
class FlashCard {
  public:
    static constexpr std::size_t kBlockSize = 512;
    static constexpr int kFiles = 5;

    explicit FlashCard(int activeFile = kFiles + 1) : active_(activeFile) {}

    int activeFile() const { return active_; }
    // Closes the active file and starts the next one.
    void startNewFile() { ++active_; }
    // Size of closed file n; 0 for the active file and for numbers that do not exist.
    std::size_t size(int number) const;
    // The recorded text of file n (what any closed file n holds), whole or from an offset.
    static std::string content(int number);
    static std::string content(int number, std::size_t offset, std::size_t length);

    // Upload: open a closed file, then read it block by block. No block (nullopt) when the
    // card has lost it: see dropBlock.
    bool open(int number);
    bool isOpen() const { return open_ != 0; }
    std::optional<std::string> nextBlock(platform::AbsTime now);
    // The block last read, again; refused (nullopt) for holdOff seconds after it was sent,
    // while it is still on its way (a repeat the host asked for during a flowing upload would
    // be written twice). Some loggers repeat it at once: a hold-off of 0.
    std::optional<std::string> repeatBlock(platform::AbsTime now,
                                           double holdOff = kRepeatHoldOff) const;
    void close() { open_ = 0; }
    int blocksRead() const { return block_; }  // of the open file

    // A failing card: block n (from 0) of every upload never arrives, nor does anything after
    // it, as when the logger's link drops in the middle of an upload. -1: none is lost.
    int dropBlock = -1;

    static constexpr double kRepeatHoldOff = 1.0;  // seconds

  private:
    bool dropped() const { return dropBlock >= 0 && block_ >= dropBlock; }

    int active_;
    int open_ = 0;
    std::size_t position_ = 0;
    int block_ = 0;  // blocks read of the open file
    std::string last_;
    platform::AbsTime lastSent_ = -1e18;
};

}  // namespace sim
