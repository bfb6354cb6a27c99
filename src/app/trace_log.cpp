#include "app/trace_log.h"

#include <cerrno>
#include <algorithm>
#include <cstring>

namespace app {

namespace {
// Bytes per log line; a longer block continues on the next line with the same time.
constexpr std::size_t kBytesPerLine = 32;
}  // namespace

TraceLog::TraceLog(const std::string& path, const platform::Clock& clock) : clock_(clock) {
    file_ = std::fopen(path.c_str(), "a");
    if (!file_) {
        error_ = "cannot write the trace file " + path + ": " + std::strerror(errno);
        return;
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

TraceLog::~TraceLog() {
    if (file_) std::fclose(file_);
}

std::string TraceLog::formatLine(const platform::CalendarTime& t, const std::string& port, bool out,
                                 std::span<const std::uint8_t> bytes) {
    char head[64];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    std::string line = head;
    line += port;
    line += out ? " >" : " <";
    std::string text;
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
        text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
    }
    for (std::size_t i = bytes.size(); i < kBytesPerLine; ++i) line += "   ";
    line += "  |" + text + "|";
    return line;
}

void TraceLog::record(const std::string& port, bool out, std::span<const std::uint8_t> bytes) {
    if (!file_ || bytes.empty()) return;
    const platform::CalendarTime t = clock_.now();
    std::lock_guard lock(mutex_);
    for (std::size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
        std::string line = formatLine(t, port, out, bytes.subspan(at, std::min(kBytesPerLine, bytes.size() - at)));
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), file_);
    }
}

}  // namespace app
