#include "sim/sim_serial_ports.h"

namespace sim {

SimSerialPorts::SimSerialPorts(platform::SerialPorts* real) : real_(real) {}
SimSerialPorts::~SimSerialPorts() = default;

int SimSerialPorts::add(std::unique_ptr<SimDevice> device) {
    const int number = kFirstNumber + static_cast<int>(ports_.size());
    Port& p = ports_[number];
    p.name = "SIM" + std::to_string(ports_.size());
    p.device = std::move(device);
    return number;
}

SimSerialPorts::Port* SimSerialPorts::sim(int number) {
    auto it = ports_.find(number);
    return it == ports_.end() ? nullptr : &it->second;
}

const SimSerialPorts::Port* SimSerialPorts::sim(int number) const {
    auto it = ports_.find(number);
    return it == ports_.end() ? nullptr : &it->second;
}

SimDevice* SimSerialPorts::device(int number) {
    Port* p = sim(number);
    return p ? p->device.get() : nullptr;
}

void SimSerialPorts::advance(double ms) {
    std::vector<int> arrived;
    for (auto& [number, p] : ports_) {
        p.device->advance(ms);
        std::vector<std::uint8_t> bytes = p.device->takeOutput();
        // Bytes sent into a closed port, or at another speed, are lost on the line.
        if (bytes.empty() || !linked(p)) continue;
        if (p.device->variant().byteByByte) {
            // Each byte on its own: the program hears of every one separately.
            for (std::uint8_t b : bytes) {
                p.input.push_back(b);
                if (p.open && p.callback) {
                    auto callback = p.callback;  // the callback may close the port
                    callback(number);
                }
            }
            continue;
        }
        p.input.insert(p.input.end(), bytes.begin(), bytes.end());
        arrived.push_back(number);
    }
    for (int number : arrived) {
        Port* p = sim(number);
        if (p && p->open && p->callback && !p->input.empty()) {
            auto callback = p->callback;  // the callback may close the port
            callback(number);
        }
    }
}

platform::PortStatus SimSerialPorts::list(std::vector<platform::PortInfo>& out) {
    out.clear();
    // Without a usable real port service the simulated ports are still there.
    if (real_) {
        std::vector<platform::PortInfo> realPorts;
        if (real_->list(realPorts).ok()) out = std::move(realPorts);
    }
    for (const auto& [number, p] : ports_)
        out.push_back({p.name + " (" + p.device->description() + ")", number, p.name});
    return {};
}

int SimSerialPorts::numberForPath(const std::string& path) {
    for (const auto& [number, p] : ports_)
        if (p.name == path) return number;
    return real_ ? real_->numberForPath(path) : 0;
}

platform::PortStatus SimSerialPorts::open(int number, const platform::SerialSettings& settings) {
    Port* p = sim(number);
    if (!p) return real_ ? real_->open(number, settings) : platform::PortStatus{-1, "no such port"};
    if (p->open) return {-1, p->name + " is already open"};
    p->open = true;
    p->baud = settings.baud;
    p->input.clear();
    return {};
}

void SimSerialPorts::close(int number) {
    Port* p = sim(number);
    if (!p) {
        if (real_) real_->close(number);
        return;
    }
    p->open = false;
    p->input.clear();
    p->callback = nullptr;
}

bool SimSerialPorts::isOpen(int number) const {
    const Port* p = sim(number);
    return p ? p->open : real_ && real_->isOpen(number);
}

int SimSerialPorts::writeByte(int number, std::uint8_t byte) {
    return write(number, std::span(&byte, 1));
}

int SimSerialPorts::write(int number, std::span<const std::uint8_t> bytes) {
    Port* p = sim(number);
    if (!p) return real_ ? real_->write(number, bytes) : -1;
    if (!p->open) return -1;
    if (linked(*p)) p->device->fromComputer(bytes);
    return static_cast<int>(bytes.size());
}

void SimSerialPorts::flushOutput(int number) {
    if (!sim(number) && real_) real_->flushOutput(number);
}

std::size_t SimSerialPorts::outputPending(int number) const {
    return !sim(number) && real_ ? real_->outputPending(number) : 0;
}

// A simulated device hears every byte as it is written: nothing is ever waiting.
bool SimSerialPorts::drainOutput(int number, int maxMs) {
    if (!sim(number) && real_) return real_->drainOutput(number, maxMs);
    return true;
}

int SimSerialPorts::readByte(int number) {
    Port* p = sim(number);
    if (!p) return real_ ? real_->readByte(number) : -1;
    if (p->input.empty()) return -1;
    const int b = p->input.front();
    p->input.pop_front();
    return b;
}

int SimSerialPorts::inputLength(int number) const {
    const Port* p = sim(number);
    if (!p) return real_ ? real_->inputLength(number) : 0;
    return static_cast<int>(p->input.size());
}

void SimSerialPorts::onReceive(int number, std::function<void(int)> callback) {
    Port* p = sim(number);
    if (!p) {
        if (real_) real_->onReceive(number, std::move(callback));
        return;
    }
    p->callback = std::move(callback);
}

void SimSerialPorts::onLost(std::function<void(int, const std::string&)> callback) {
    if (real_) real_->onLost(std::move(callback));
}

}  // namespace sim
