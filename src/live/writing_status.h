#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/panel.h"

namespace live {

// The lines of the recording frame that tell how a file being written is doing: its name,
// what has been written and for how long, and a warning in red once writing has stopped.
class WritingStatus {
  public:
    struct Controls {
        platform::Ctl file, written, warning;
    };
    WritingStatus(platform::Panel& panel, const platform::Clock& clock, Controls controls)
        : panel_(panel), clock_(clock), c_(controls) {}

    // Writing starts now: the time since start counts from here, and any old warning goes.
    void started();
    // The file being written, its size, and how many records (or frames) went to the
    // recording since it started.
    void show(const std::string& path, std::uint64_t size, std::uint64_t count,
              std::string_view countWord);
    // Writing stopped, or holds, for the reason given: stays until the next start.
    void warn(const std::string& text);
    // Writing goes on again.
    void clearWarning();
    // A word on the file in hand that is no fault (why it was started): in the warning's place,
    // in the normal colour, until the next warning or start.
    void note(const std::string& text);
    // The operator stopped it: nothing to tell.
    void hide();

    // "12.3 kB", "4.56 MB".
    static std::string sizeText(std::uint64_t bytes);
    // "0:05:12", "26:00:00".
    static std::string elapsedText(double seconds);

  private:
    platform::Panel& panel_;
    const platform::Clock& clock_;
    Controls c_;
    platform::AbsTime startedAt_ = 0;
};

}  // namespace live
