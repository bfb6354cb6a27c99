#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/frame_layer.h"
#include "sim/radio_unit.h"
#include "sim/sim_device.h"

namespace sim {

// The USB radio adapter in API mode 2 and the radio units within its reach. It answers local
// AT commands "ID" (read, or write with 8 bytes) and "WR", passes remote AT commands "ID" and
// "WR" to a unit's radio, delivers transmit requests to units (or to all of them for the
// broadcast address) with a transmit status, and wraps everything units send in receive
// packets. Only units on the adapter's PAN ID are heard; asleep units miss what is sent.
class XBeeAdapter : public SimDevice {
  public:
    // Transmit status delivery codes of the XBee firmware.
    static constexpr std::uint8_t kDelivered = 0x00;
    static constexpr std::uint8_t kNoAck = 0x21;
    static constexpr std::uint8_t kAddressNotFound = 0x24;
    // AT command status codes.
    static constexpr std::uint8_t kOk = 0, kInvalidCommand = 2, kInvalidParameter = 3,
                                  kTransmissionFailed = 4;

    XBeeAdapter(platform::AbsTime start, std::uint64_t panId);

    int baud() const override { return 115200; }
    void setClocks(double aheadSeconds, double driftPpm) override;
    void setVariant(const Variant& v) override;
    // A network of one data logger is named as such: the port list tells it from the others.
    std::string description() const override {
        return units_.size() == 1 && units_[0]->unitType() == 8 ? "simulated data logger"
                                                                : "simulated radio network";
    }
    void receive(std::span<const std::uint8_t> bytes) override;
    using SimDevice::receive;

    RadioUnit& add(std::unique_ptr<RadioUnit> unit);
    std::vector<std::unique_ptr<RadioUnit>>& units() { return units_; }
    RadioUnit* find(std::uint64_t address);
    std::uint64_t panId() const { return panId_; }
    std::uint64_t savedPanId() const { return savedPanId_; }
    // Transmit requests the adapter has taken from the host (to units or to all).
    int transmitRequests() const { return transmitRequests_; }

  protected:
    void step() override;

  private:
    void handleFrame(std::span<const std::uint8_t> f);
    void localAt(std::span<const std::uint8_t> f);
    void remoteAt(std::span<const std::uint8_t> f);
    void transmit(std::span<const std::uint8_t> f);
    bool reachable(const RadioUnit& unit) const;
    void sendFrame(const std::vector<std::uint8_t>& data);
    void sendFromUnit(const RadioUnit& unit, const std::vector<std::string>& texts);
    void delayReplies(RadioUnit& unit, std::string_view command, std::vector<std::string>& texts);

    FrameLayer frames_;
    std::uint64_t panId_;
    std::uint64_t savedPanId_;
    std::vector<std::unique_ptr<RadioUnit>> units_;
    int transmitRequests_ = 0;
    std::mt19937 random_{1};  // the variant's reply delays, cuts and joins
    std::map<std::uint64_t, std::string> heldReplies_;  // by unit, to go with its next reply
    std::map<std::uint64_t, double> queuedUntil_;  // by unit: when its last reply part goes
    platform::AbsTime jumpAt_ = 0;  // when the variant's units' clocks jump
    bool clocksJumped_ = false;
};

}  // namespace sim
