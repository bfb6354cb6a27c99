#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/flash_card.h"
#include "sim/radio_unit.h"

namespace sim {

// The data logger (unit type 8): a radio unit that also answers the addressed group/port
// commands ("#gPp..."), keeps a flash card of recorded files for upload, and forwards the
// readings of the sensors on its eight ports: "i" bursts (60 samples) from staffs and analogue
// sensors, "G" bursts (128 characters of text) from serial sensors.
class DataLogger : public RadioUnit {
public:
    static constexpr int kPorts = 8;       // groups 1 and 2, ports 0 to 3
    static constexpr int kSerialSensor = 6;  // a port type that carries text at its baud rate
    static constexpr int kStaffSensor = 3;   // a port type with a staff-length table
    static constexpr int kFirstSensorDevice = 101;

    DataLogger(const RadioUnitSpec& spec, platform::AbsTime hostStart);

    void command(platform::AbsTime host, std::string_view text, std::vector<std::string>& out) override;
    bool remoteText(std::string_view text, std::vector<std::string>& out) override;
    void advance(platform::AbsTime host, std::vector<std::string>& out) override;

    FlashCard& flashCard() { return flash_; }
    // The level a staff or analogue sensor on a port reads at host time t, in metres, and when
    // the last sample of the port's last "i" burst was taken.
    double portLevel(int port, platform::AbsTime t) const;
    platform::AbsTime lastBurstSample(int port) const {
        return samplers_[static_cast<std::size_t>(port)].lastSent;
    }

    // Settings behind the addressed commands, public so scenarios and tests can set them up.
    std::array<int, 4> groupRate{1, 1, 1, 1};
    std::array<int, kPorts> portType{kStaffSensor, 1, 0, 0, kSerialSensor, 0, 0, 0};
    std::array<int, kPorts> portBaud{};
    std::array<std::array<int, 6>, kPorts> lengths{};  // half-metres
    int radioPower = 1;                                // 1 on, 2 off
    std::uint64_t coordinatorPanId = 0xABCD0001;
    std::uint64_t savedCoordinatorPanId = 0xABCD0001;
    std::array<int, 4> adcRange{};

private:
    struct Sampler {
        platform::AbsTime next = 0;
        platform::AbsTime first = 0;
        std::vector<double> values;
        std::string text;
        platform::AbsTime lastSent = 0;
    };
    bool addressed(platform::AbsTime host, std::string_view text, std::vector<std::string>& out);
    bool flashCommand(platform::AbsTime host, std::string_view text, std::vector<std::string>& out);
    void samplePort(int port, platform::AbsTime t, std::vector<std::string>& out);

    FlashCard flash_;
    std::array<Sampler, kPorts> samplers_{};
    int orsHeard_ = 0;       // "OR"s of this upload
    bool linkLost_ = false;  // the variant's link has dropped
};

}  // namespace sim
