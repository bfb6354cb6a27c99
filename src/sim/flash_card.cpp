#include "sim/flash_card.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {
// File sizes cycle through a whole number of blocks, a short file, a tiny one and a long one.
constexpr std::array<std::size_t, 4> kSizes{1536, 2000, 100, 40999};
}  // namespace

std::size_t FlashCard::size(int number) const {
    if (number < 1 || number >= active_) return 0;
    return kSizes[static_cast<std::size_t>(number - 1) % kSizes.size()];
}

std::string FlashCard::content(int number) {
    if (number < 1) return {};
    const std::size_t size = kSizes[static_cast<std::size_t>(number - 1) % kSizes.size()];
    std::string text;
    text.reserve(size + 64);
    for (int line = 0; text.size() < size; ++line) {
        char row[64];
        const double level = 1.0 + 0.25 * std::sin(0.7 * line + number);
        std::snprintf(row, sizeof row, "F%04d,L%05d,%+08.4f\r\n", number, line, level);
        text += row;
    }
    text.resize(size);
    return text;
}

bool FlashCard::open(int number) {
    if (size(number) == 0) {
        open_ = 0;
        return false;
    }
    open_ = number;
    position_ = 0;
    last_.clear();
    return true;
}

std::string FlashCard::nextBlock(platform::AbsTime now) {
    if (!open_) return {};
    const std::string all = content(open_);
    last_ = all.substr(std::min(position_, all.size()), kBlockSize);
    position_ += last_.size();
    lastSent_ = now;
    return last_;
}

bool FlashCard::repeatBlock(platform::AbsTime now, std::string& block) const {
    if (!open_ || now - lastSent_ < kRepeatHoldOff) return false;
    block = last_;
    return true;
}

}  // namespace sim
