#pragma once
#include <cstdint>
#include <string>

#include "sim/sim_device.h"
#include "sim/unit_clock.h"
#include "sim/wave_signal.h"
#include "sim/wired_block.h"

namespace sim {

// A wired unit on a 9600-baud RS232 line: a Fathomrod staff (types 3, 4), a Tidecorder logger
// (5, 6) or a Swellmeter pressure gauge (9). It streams records until told to stop, and answers
// the one-letter commands of the connect handshake:
//   "s" stop   -> "SOK," (gauge); staffs answer the pair "st" with "STOK,"
//   "i"        -> "IOK," + 14 characters of identification + ","
//   "r"        -> "ROK," + the 132-character configuration block + CR LF
//   "g" go     -> "GOK," and streaming again
//   "w" + block: takes a new configuration block (ignored when its checksum is wrong)
// Anything else gets "BAD,". Records are "dddd" (counts of 4095 over the staff length) or,
// for the gauge, seven characters of pressure in bar; then, with the air temperature on, ","
// and four digits of sixteenths of a degree; then CR LF, as every line the unit sends ends.
class WiredUnit : public SimDevice {
public:
    WiredUnit(int unitType, platform::AbsTime start, std::uint32_t seed = 3, int serial = 1);

    int baud() const override { return 9600; }
    std::string description() const override;
    void receive(std::span<const std::uint8_t> bytes) override;
    using SimDevice::receive;

    int unitType() const { return type_; }
    const std::string& identification() const { return identification_; }
    WiredBlock& block() { return block_; }
    const WiredBlock& block() const { return block_; }
    bool streaming() const { return streaming_; }
    int staffLengthMm() const;
    const UnitClock& clock() const { return clock_; }
    void setVariant(const Variant& v) override;
    void setClocks(double aheadSeconds, double driftPpm) override {
        clock_.reset(now(), aheadSeconds, driftPpm);
    }
    // What the unit measures now, before any encoding: metres of water on the staff, or bar.
    double measured(platform::AbsTime t) const;
    // What it reads at time t: metres on the staff as its counter sees them (before the count
    // is rounded), or bar; and its temperature sensor in degrees.
    double reading(platform::AbsTime t) const;
    double temperature(platform::AbsTime t) const;
    // The record the unit sends for a measurement at time t, its k-th.
    std::string record(platform::AbsTime t, int k = 0) const;
    // When the last record it sent was measured.
    platform::AbsTime lastRecordTime() const { return lastRecord_; }

protected:
    void step() override;

private:
    void command(char c);
    void takeBlock();
    void refreshClockFields();

    int type_;
    std::string identification_;
    WiredBlock block_;
    UnitClock clock_;
    WaveSignal signal_;
    double gainError_;
    double biasError_;
    double waterTemperature_;  // mean of the unit's temperature sensor, degrees
    bool streaming_ = true;  // a unit streams from power-on
    bool pendingStop_ = false;
    bool takingBlock_ = false;
    std::string incoming_;
    platform::AbsTime blockDeadline_ = 0;
    platform::AbsTime nextRecord_;
    platform::AbsTime lastRecord_ = 0;
    int recordsSent_ = 0;
};

}  // namespace sim
