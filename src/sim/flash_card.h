#pragma once
#include <cstddef>
#include <string>

#include "platform/clock.h"

namespace sim {

// The data logger's flash card: numbered files, the highest one being written. Closed files
// have fixed, known contents (content(n)) so an upload can be checked byte for byte; they are
// read out in 512-byte blocks, and a block shorter than that ends the file.
class FlashCard {
public:
    static constexpr std::size_t kBlockSize = 512;

    explicit FlashCard(int activeFile = 5) : active_(activeFile) {}

    int activeFile() const { return active_; }
    // Closes the active file and starts the next one.
    void startNewFile() { ++active_; }
    // Size of closed file n; 0 for the active file and for numbers that do not exist.
    std::size_t size(int number) const;
    // The recorded text of file n (what any closed file n holds).
    static std::string content(int number);

    // Upload: open a closed file, then read it block by block.
    bool open(int number);
    bool isOpen() const { return open_ != 0; }
    std::string nextBlock(platform::AbsTime now);
    // The block last read, again; refused (false) while that block is still on its way, since
    // a repeat the host asked for during a flowing upload would be written twice.
    bool repeatBlock(platform::AbsTime now, std::string& block) const;
    void close() { open_ = 0; }

private:
    static constexpr double kRepeatHoldOff = 1.0;  // seconds
    int active_;
    int open_ = 0;
    std::size_t position_ = 0;
    std::string last_;
    platform::AbsTime lastSent_ = -1e18;
};

}  // namespace sim
