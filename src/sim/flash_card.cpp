#include "sim/flash_card.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

constexpr std::array<std::size_t, FlashCard::kFiles> kSizes{1024, 3000, 1000300, 60, 1536};
// Every file is made of lines of one width, so any stretch of it can be made on its own.
constexpr std::size_t kLine = 25;  // "F0001,L0000000,+01.2345\r\n"

std::size_t sizeOf(int number) {
    if (number < 1) return 0;
    return kSizes[static_cast<std::size_t>(number - 1) % kSizes.size()];
}

std::string line(int number, std::size_t index) {
    char row[40];
    const double level = 1.0 + 0.25 * std::sin(0.7 * static_cast<double>(index) + number);
    std::snprintf(row, sizeof row, "F%04d,L%07zu,%+08.4f\r\n", number % 10000, index % 10000000,
                  level);
    return row;
}

}  // namespace

std::size_t FlashCard::size(int number) const {
    if (number >= active_) return 0;
    return sizeOf(number);
}

std::string FlashCard::content(int number) { return content(number, 0, sizeOf(number)); }

std::string FlashCard::content(int number, std::size_t offset, std::size_t length) {
    const std::size_t end = std::min(sizeOf(number), offset + length);
    std::string text;
    if (offset >= end) return text;
    text.reserve(end - offset + kLine);
    for (std::size_t i = offset / kLine; i * kLine < end; ++i) text += line(number, i);
    const std::size_t skip = offset % kLine;
    return text.substr(skip, end - offset);
}

bool FlashCard::open(int number) {
    open_ = size(number) == 0 ? 0 : number;
    position_ = 0;
    block_ = 0;
    last_.clear();
    return open_ != 0;
}

std::optional<std::string> FlashCard::nextBlock(platform::AbsTime now) {
    if (!open_ || dropped()) return std::nullopt;
    last_ = content(open_, position_, kBlockSize);
    position_ += last_.size();
    ++block_;
    lastSent_ = now;
    return last_;
}

std::optional<std::string> FlashCard::repeatBlock(platform::AbsTime now, double holdOff) const {
    if (!open_ || dropped() || now - lastSent_ < holdOff) return std::nullopt;
    return last_;
}

}  // namespace sim
