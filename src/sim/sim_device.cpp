#include "sim/sim_device.h"

#include <algorithm>
#include <cmath>

namespace sim {

void SimDevice::send(std::span<const std::uint8_t> bytes) {
    const Variant& v = variant_;
    if (v.latency <= 0 && v.burstEvery <= 0) {
        output_.insert(output_.end(), bytes.begin(), bytes.end());
        return;
    }
    platform::AbsTime due = now_ + v.latency;
    if (v.burstEvery > 0) due = std::ceil(due / v.burstEvery) * v.burstEvery;
    if (!onTheLine_.empty() && onTheLine_.back().first >= due) {
        auto& last = onTheLine_.back().second;
        last.insert(last.end(), bytes.begin(), bytes.end());
    } else {
        onTheLine_.emplace_back(std::max(due, onTheLine_.empty() ? due : onTheLine_.back().first),
                                std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
}

void SimDevice::fromComputer(std::span<const std::uint8_t> bytes) {
    if (variant_.latency <= 0 && toDevice_.empty()) {
        receive(bytes);
        return;
    }
    toDevice_.emplace_back(now_ + variant_.latency,
                           std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

void SimDevice::hearArrived() {
    while (!toDevice_.empty() && toDevice_.front().first <= now_) {
        const std::vector<std::uint8_t> bytes = std::move(toDevice_.front().second);
        toDevice_.pop_front();
        receive(bytes);
    }
}

std::vector<std::uint8_t> SimDevice::takeOutput() {
    while (!onTheLine_.empty() && onTheLine_.front().first <= now_) {
        const auto& bytes = onTheLine_.front().second;
        output_.insert(output_.end(), bytes.begin(), bytes.end());
        onTheLine_.pop_front();
    }
    return std::exchange(output_, {});
}

}  // namespace sim
