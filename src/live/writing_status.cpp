#include "live/writing_status.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/rgb.h"

namespace live {

namespace {

// A name longer than this is shown by its end, which holds the number that changes.
constexpr std::size_t kShownNameLength = 40;

std::string shownName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > kShownNameLength)
        name = "..." + name.substr(name.size() - kShownNameLength + 3);
    return name;
}

}  // namespace

void WritingStatus::started() {
    startedAt_ = clock_.absNow();
    panel_.setVisible(c_.warning, false);
}

void WritingStatus::show(const std::string& path, std::uint64_t size, std::uint64_t count,
                         std::string_view countWord) {
    panel_.setText(c_.file, shownName(path));
    panel_.setVisible(c_.file, true);
    panel_.setText(c_.written, sizeText(size) + ", " + std::to_string(count) + " " +
                                   std::string(countWord) + " in " +
                                   elapsedText(clock_.absNow() - startedAt_));
    panel_.setVisible(c_.written, true);
}

void WritingStatus::warn(const std::string& text) {
    panel_.setText(c_.warning, text);
    panel_.setTextColor(c_.warning, platform::kRed);
    panel_.setVisible(c_.warning, true);
}

void WritingStatus::note(const std::string& text) {
    panel_.setText(c_.warning, text);
    panel_.setTextColor(c_.warning, platform::kBlack);
    panel_.setVisible(c_.warning, true);
}

void WritingStatus::clearWarning() { panel_.setVisible(c_.warning, false); }

void WritingStatus::hide() {
    for (platform::Ctl id : {c_.file, c_.written, c_.warning}) panel_.setVisible(id, false);
}

std::string WritingStatus::sizeText(std::uint64_t bytes) {
    char text[32];
    if (bytes < 1000) {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    } else if (bytes < 1000 * 1000) {
        std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1e3);
    } else if (bytes < 1000ull * 1000 * 1000) {
        std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(bytes) / 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / 1e9);
    }
    return text;
}

std::string WritingStatus::elapsedText(double seconds) {
    const auto s = static_cast<long long>(std::floor(std::max(seconds, 0.0)));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

}  // namespace live
