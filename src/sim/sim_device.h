#pragma once
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "sim/variant.h"

namespace sim {

// One simulated instrument (or radio network) at the far end of a serial line. The owner feeds it
// the bytes the program writes, moves its time on explicitly and takes what it has sent.
class SimDevice {
public:
    explicit SimDevice(platform::AbsTime start) : now_(start) {}
    virtual ~SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Line speed the device talks at; bytes sent at any other speed never reach it.
    virtual int baud() const = 0;
    // Shown after the port name, e.g. "simulated radio network".
    virtual std::string description() const = 0;

    virtual void receive(std::span<const std::uint8_t> bytes) = 0;
    void receive(std::string_view text) {
        receive(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }

    // Bytes the computer wrote, at the computer's end of the line: they reach receive() at
    // once, or as the device's time moves on past the variant's latency (a slow adapter).
    void fromComputer(std::span<const std::uint8_t> bytes);

    // Moves the device's time on by ms milliseconds; it hears what has come down the line by
    // then and sends whatever falls due meanwhile.
    void advance(double ms) {
        now_ += ms / 1000.0;
        hearArrived();
        step();
    }
    platform::AbsTime now() const { return now_; }

    // Bytes of the device's that have reached the computer's end of the line since the last
    // call (the variant's line may hold them back a while).
    std::vector<std::uint8_t> takeOutput();
    std::string takeText() {
        auto bytes = takeOutput();
        return std::string(bytes.begin(), bytes.end());
    }
    // Lines about what the device did that no byte shows (a clock set), for a log.
    std::vector<std::string> takeNotes() { return std::exchange(notes_, {}); }
    // Sets where the device's clocks stand against the computer's and how fast they run.
    virtual void setClocks(double /*aheadSeconds*/, double /*driftPpm*/) {}
    // How this device departs from the plain one (sim/variant.h).
    virtual void setVariant(const Variant& v) { variant_ = v; }
    const Variant& variant() const { return variant_; }

protected:
    virtual void step() = 0;
    void note(std::string text) { notes_.push_back(std::move(text)); }
    void send(std::string_view text) {
        send(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    void send(std::span<const std::uint8_t> bytes);

private:
    Variant variant_;
    platform::AbsTime now_;
    std::vector<std::uint8_t> output_;
    // Bytes on their way and when they arrive, in the order sent (a line keeps its order).
    std::deque<std::pair<platform::AbsTime, std::vector<std::uint8_t>>> onTheLine_;
    // And the computer's bytes on their way to the device.
    std::deque<std::pair<platform::AbsTime, std::vector<std::uint8_t>>> toDevice_;
    void hearArrived();
    std::vector<std::string> notes_;
};

}  // namespace sim
