#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/radio_settings.h"
#include "sim/sampling_schedule.h"
#include "sim/unit_clock.h"
#include "sim/variant.h"
#include "sim/wave_signal.h"

namespace sim {

// How a radio unit comes out of the box.
struct RadioUnitSpec {
    int unitType = 0;  // 0 staff, 1 and 2 sonic, 8 data logger
    std::uint64_t address = 0x0013A20040A10001ull;
    int deviceNumber = 1;
    std::uint64_t panId = 0x1234;
    std::string partNumber = "FR-XB-02-021";
    std::string firmware = "2.10";
    std::string serialNumber = "FR21001";
    int sampleRate = 4;
    int dataFormat = 0;
    std::uint32_t seed = 1;
    double clockOffsetSeconds = 2.4;
    double clockDriftPpm = 30.0;
};

// A radio unit behind its XBee: it keeps its settings, answers the text commands that reach it
// and sends its samples in the data format it is set to.
class RadioUnit {
public:
    RadioUnit(const RadioUnitSpec& spec, platform::AbsTime hostStart);
    virtual ~RadioUnit() = default;

    int unitType() const { return unitType_; }
    std::uint64_t address() const { return address_; }
    std::uint64_t panId() const { return panId_; }
    void setPanId(std::uint64_t id) { panId_ = id; }
    void savePanId() { savedPanId_ = panId_; }
    std::uint64_t savedPanId() const { return savedPanId_; }

    RadioSettings& settings() { return settings_; }
    const RadioSettings& settings() const { return settings_; }
    UnitClock& clock() { return clock_; }
    const UnitClock& clock() const { return clock_; }

    // Asleep units (powered down, between bursts, before the start time) hear nothing but the
    // broadcast power command.
    bool awake(platform::AbsTime host) const;
    bool sampling(platform::AbsTime host) const;

    // A command text arriving in a transmit request; the unit's replies are appended to out.
    virtual void command(platform::AbsTime host, std::string_view text, std::vector<std::string>& out);
    // A remote AT command the unit's own processor acts on (the radio module answers the rest).
    virtual bool remoteText(std::string_view, std::vector<std::string>&) { return false; }
    // "BP": 1 powers the unit on with start time off and burst length 0, 2 powers it down.
    void broadcastPower(platform::AbsTime host, int value);
    // Sends the samples that fall due up to host time.
    virtual void advance(platform::AbsTime host, std::vector<std::string>& out);
    // Replies sent some time after their command (a slow unit, a repeated answer), in the
    // order they fall due.
    void later(platform::AbsTime at, std::string text);
    void sendDue(platform::AbsTime host, std::vector<std::string>& out);

    void setVariant(const Variant& v) { variant_ = v; }
    const Variant& variant() const { return variant_; }

    // Something changed how samples are taken: start a fresh burst.
    void restartSampling(platform::AbsTime host);
    void powerDownLater(platform::AbsTime host) { powerDownAt_ = host + kPowerDownDelay; }
    double reading(platform::AbsTime host) const;  // metres, as the unit reports them
    // When the last sample of the last message it sent (a sample text or a burst) was taken.
    platform::AbsTime lastReported() const { return lastReported_; }
    char batteryDigit() const;                    // '0' good, '2' low, '3' bad
    char batteryLetter() const;                   // 'G', 'L', 'B'

protected:
    SamplingSchedule schedule() const;
    bool poweredUp(platform::AbsTime host) const;
    double temperature(platform::AbsTime host) const;
    const WaveSignal& signal() const { return signal_; }

private:
    static constexpr double kPowerDownDelay = 120.0;  // "powers down in a few minutes"
    // A unit that has just been spoken to stays awake a while, so the host can read back what
    // it wrote even when the new settings put the unit to sleep.
    static constexpr double kAwakeAfterCommand = 60.0;
    void takeSample(platform::AbsTime t, std::vector<std::string>& out);

    Variant variant_;
    std::vector<std::pair<platform::AbsTime, std::string>> later_;
    int unitType_;
    std::uint64_t address_;
    std::uint64_t panId_;
    std::uint64_t savedPanId_;
    RadioSettings settings_;
    UnitClock clock_;
    WaveSignal signal_;
    platform::AbsTime nextSample_;
    platform::AbsTime powerDownAt_ = -1;
    bool asleep_ = false;
    platform::AbsTime lastCommand_ = -1e18;
    std::vector<double> burst_;
    platform::AbsTime burstStart_ = 0;
    int textCount_ = 0;
    platform::AbsTime lastReported_ = 0;
};

}  // namespace sim
