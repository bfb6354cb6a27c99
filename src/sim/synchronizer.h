#pragma once
#include <string>
#include <vector>

#include "sim/sim_device.h"
#include "sim/unit_clock.h"
#include "sim/wave_signal.h"

namespace sim {

// The synchronizer board (unit type 7, 38400 baud): it samples six or eight staffs together and
// streams one data line per sample, each channel as four digits of counts (of 4095 over the
// staff) five characters apart. Its menu is one command byte and, for settings, a text line:
//   "g"            stream          "st"  stop and list the status
//   "r"            clock line "mm-dd-yy hh:mm:ss"
//   "f" + rate     sample rate     "m" + "command" or "freerun"
//   "t" + "min", "hour", "day" or "none": time-tag lines ("T mm-dd-yy hh:mm:ss") at that interval
//   "s" + "mm-dd-yy hh:mm:ss": set the clock
class Synchronizer : public SimDevice {
public:
    Synchronizer(platform::AbsTime start, int channels = 8, std::uint32_t seed = 11);

    int baud() const override { return 38400; }
    std::string description() const override { return "simulated synchronizer"; }
    void receive(std::span<const std::uint8_t> bytes) override;
    using SimDevice::receive;

    int sampleRate() const { return rate_; }
    bool commandMode() const { return commandMode_; }
    const std::string& timeTag() const { return timeTag_; }
    bool streaming() const { return streaming_; }
    const UnitClock& clock() const { return clock_; }
    void setClocks(double aheadSeconds, double driftPpm) override {
        clock_.reset(now(), aheadSeconds, driftPpm);
    }
    int channels() const { return static_cast<int>(signals_.size()); }
    // Staff length of channel c in metres, which the counts are relative to.
    double staffLength(int c) const { return lengths_[static_cast<std::size_t>(c)]; }
    std::string dataLine(platform::AbsTime t) const;
    // Metres of water on channel c's staff at time t, and when the last data line was taken.
    double level(int c, platform::AbsTime t) const;
    platform::AbsTime lastLineTime() const { return lastLine_; }

protected:
    void step() override;

private:
    void byte(char c);
    void applyLine(char menu, const std::string& line);
    void listStatus();
    std::string clockText() const;

    UnitClock clock_;
    std::vector<WaveSignal> signals_;
    std::vector<double> lengths_;
    int rate_ = 4;
    bool commandMode_ = false;
    std::string timeTag_ = "none";
    bool streaming_ = true;
    char menu_ = 0;        // the menu byte whose line is being read
    bool afterS_ = false;  // "s" seen; a "t" next makes it the status command
    std::string line_;
    platform::AbsTime nextSample_;
    long long lastTag_ = -1;
    platform::AbsTime lastLine_ = 0;
};

}  // namespace sim
