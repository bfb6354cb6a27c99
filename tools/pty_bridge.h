#pragma once
#include <functional>
#include <string>

#include "sim/sim_device.h"

namespace tools {

// A pseudo-terminal with a simulated device on its master side: the program under test opens
// the slave path like any serial port. The device runs in real time.
class PtyBridge {
public:
    // Opens the pseudo-terminal; false (with the reason in error()) when that fails.
    bool open();
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // Runs the device until stop becomes true, its time brought up to now() as it goes; bytes
    // the line cannot take are dropped, as on a cable nobody reads.
    void run(sim::SimDevice& device, const volatile bool& stop,
             const std::function<platform::AbsTime()>& now);
    // Every byte the terminal accepts is also written, unchanged, to this file descriptor.
    void logTo(int fd) { log_ = fd; }
    ~PtyBridge();

private:
    int master_ = -1;
    int log_ = -1;
    int slave_ = -1;  // held open so the master never sees a hang-up between users
    std::string path_;
    std::string error_;
};

}  // namespace tools
