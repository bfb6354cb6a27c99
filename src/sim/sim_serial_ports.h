#pragma once
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial_ports.h"
#include "sim/sim_device.h"

namespace sim {

// Serial ports with simulated instruments behind them, listed after the computer's real ports
// (when a real implementation is given, every other number goes to it). A simulated port
// carries bytes only while it is open at the device's own speed, as a real line would. Time
// moves only through advance(): the devices run, their bytes reach the open ports' input
// queues, and the receive callbacks of the ports that got bytes run.
class SimSerialPorts : public platform::SerialPorts {
public:
    static constexpr int kFirstNumber = 901;

    explicit SimSerialPorts(platform::SerialPorts* real = nullptr);
    ~SimSerialPorts() override;

    // Adds a simulated port "SIMn (description)"; returns its number.
    int add(std::unique_ptr<SimDevice> device);
    SimDevice* device(int number);
    void advance(double ms);

    platform::PortStatus list(std::vector<platform::PortInfo>& out) override;
    int numberForPath(const std::string& path) override;
    platform::PortStatus open(int number, const platform::SerialSettings& settings) override;
    void close(int number) override;
    bool isOpen(int number) const override;
    int writeByte(int number, std::uint8_t byte) override;
    int write(int number, std::span<const std::uint8_t> bytes) override;
    void flushOutput(int number) override;
    std::size_t outputPending(int number) const override;
    bool drainOutput(int number, int maxMs) override;
    int readByte(int number) override;
    int inputLength(int number) const override;
    void onReceive(int number, std::function<void(int number)> callback) override;
    void onLost(std::function<void(int number, const std::string& reason)> callback) override;

private:
    struct Port {
        std::unique_ptr<SimDevice> device;
        std::string name;  // "SIM1"
        bool open = false;
        int baud = 0;
        std::deque<std::uint8_t> input;
        std::function<void(int)> callback;
    };
    Port* sim(int number);
    const Port* sim(int number) const;
    bool linked(const Port& p) const { return p.open && p.baud == p.device->baud(); }

    platform::SerialPorts* real_;
    std::map<int, Port> ports_;
};

}  // namespace sim
