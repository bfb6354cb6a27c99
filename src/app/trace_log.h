#pragma once
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>

#include "platform/clock.h"

namespace app {

// The field engineer's first tool when a unit misbehaves: a timestamped hex log of every byte
// sent to and received from each port, one line per block as it passed ("<" received,
// ">" sent), written through at once so that nothing is lost if the program dies.
// record() may be called from the ports' own threads.
class TraceLog {
public:
    TraceLog(const std::string& path, const platform::Clock& clock);
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    bool ok() const { return file_ != nullptr; }
    const std::string& error() const { return error_; }

    void record(const std::string& port, bool out, std::span<const std::uint8_t> bytes);

    // One line of the log, without its line end: "YYYY-MM-DD hh:mm:ss.mmm PORT > 7E 00 ...  |~..|".
    static std::string formatLine(const platform::CalendarTime& t, const std::string& port, bool out,
                                  std::span<const std::uint8_t> bytes);

private:
    const platform::Clock& clock_;
    std::FILE* file_ = nullptr;
    std::string error_;
    std::mutex mutex_;
};

}  // namespace app
