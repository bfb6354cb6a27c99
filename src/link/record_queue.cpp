#include "link/record_queue.h"

#include <algorithm>

namespace links {

std::size_t RecordQueue::headLength() const {
    for (std::size_t i = 0; i < used_; ++i) {
        if (ring_[(head_ + i) % ring_.size()] == '\n') return i + 1;
    }
    return used_;  // a record without its line feed: all there is
}

void RecordQueue::drop(std::size_t n) {
    head_ = ring_.empty() ? 0 : (head_ + n) % ring_.size();
    used_ -= n;
    if (used_ == 0) head_ = 0;
}

std::size_t RecordQueue::push(std::span<const std::uint8_t> record) {
    if (record.size() > ring_.size()) return 1;
    std::size_t dropped = 0;
    while (used_ + record.size() > ring_.size()) {
        drop(headLength());
        ++dropped;
    }
    std::size_t at = (head_ + used_) % ring_.size();
    const std::size_t first = std::min(record.size(), ring_.size() - at);
    std::copy_n(record.begin(), first, ring_.begin() + static_cast<std::ptrdiff_t>(at));
    std::copy(record.begin() + static_cast<std::ptrdiff_t>(first), record.end(), ring_.begin());
    used_ += record.size();
    return dropped;
}

}  // namespace links
