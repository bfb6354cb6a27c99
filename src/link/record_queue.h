#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace links {

// Records waiting for a port that takes them slower than they come: one ring of bytes,
// allocated once, holding whole records that each end in a line feed. A record that does not
// fit makes room by dropping the oldest whole records; nothing waits without a bound.
class RecordQueue {
  public:
    explicit RecordQueue(std::size_t capacity) : ring_(capacity) {}

    // Appends a record; returns how many records were dropped to make room (a record larger
    // than the whole queue is itself the one dropped).
    std::size_t push(std::span<const std::uint8_t> record);
    bool empty() const { return used_ == 0; }
    std::size_t bytes() const { return used_; }
    void clear() { head_ = used_ = 0; }

    // Hands the oldest record to take, in one or two pieces (where the ring wraps), and
    // removes it.
    template <typename Take>
    void popFront(Take&& take) {
        const std::size_t n = headLength();
        const std::size_t first = std::min(n, ring_.size() - head_);
        take(std::span<const std::uint8_t>(ring_.data() + head_, first));
        if (first < n) take(std::span<const std::uint8_t>(ring_.data(), n - first));
        drop(n);
    }

  private:
    std::size_t headLength() const;
    void drop(std::size_t n);

    std::vector<std::uint8_t> ring_;
    std::size_t head_ = 0;
    std::size_t used_ = 0;
};

}  // namespace links
