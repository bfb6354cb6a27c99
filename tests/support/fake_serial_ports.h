#pragma once
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/serial_ports.h"

namespace testing_support {

// Ports in memory: tests list ports, see every byte written, feed bytes in and lose ports.
class FakeSerialPorts : public platform::SerialPorts {
public:
    struct Port {
        bool open = false;
        platform::SerialSettings settings;
        std::vector<std::uint8_t> written;
        std::deque<std::uint8_t> input;
        std::function<void(int)> callback;
        int flushes = 0;
        // A reader that has stopped: what is written stays pending.
        bool stalled = false;
        std::size_t pending = 0;
        std::size_t drained = 0;  // bytes of `written` that had left when a drain returned
    };
    std::vector<platform::PortInfo> available;
    bool listFails = false;
    std::set<int> failOpen;
    std::map<int, Port> ports;
    std::map<std::string, int> paths;
    std::function<void(int, const std::string&)> lost;
    std::vector<int> closed;  // numbers in close order
    std::vector<int> closedUndrained;  // closed with written bytes no drain had waited for

    platform::PortStatus list(std::vector<platform::PortInfo>& out) override {
        if (listFails) return {-1, "no serial port service"};
        out = available;
        return {};
    }
    int numberForPath(const std::string& path) override {
        auto it = paths.find(path);
        if (it != paths.end()) return it->second;
        int n = 1000 + static_cast<int>(paths.size());
        paths[path] = n;
        return n;
    }
    platform::PortStatus open(int number, const platform::SerialSettings& s) override {
        if (number <= 0 || failOpen.count(number)) return {-1, "cannot open port"};
        Port& p = ports[number];
        p.open = true;
        p.settings = s;
        return {};
    }
    void close(int number) override {
        auto it = ports.find(number);
        if (it == ports.end() || !it->second.open) return;
        it->second.open = false;
        it->second.callback = nullptr;
        closed.push_back(number);
        if (it->second.written.size() > it->second.drained) closedUndrained.push_back(number);
    }
    bool isOpen(int number) const override {
        auto it = ports.find(number);
        return it != ports.end() && it->second.open;
    }
    int writeByte(int number, std::uint8_t b) override {
        if (!isOpen(number)) return -1;
        ports[number].written.push_back(b);
        return 1;
    }
    int write(int number, std::span<const std::uint8_t> bytes) override {
        if (!isOpen(number)) return -1;
        auto& w = ports[number].written;
        w.insert(w.end(), bytes.begin(), bytes.end());
        if (ports[number].stalled) ports[number].pending += bytes.size();
        return static_cast<int>(bytes.size());
    }
    std::size_t outputPending(int number) const override {
        auto it = ports.find(number);
        return it == ports.end() ? 0 : it->second.pending;
    }
    void flushOutput(int number) override {
        if (isOpen(number)) ++ports[number].flushes;
    }
    bool drainOutput(int number, int) override {
        if (!isOpen(number)) return true;
        if (ports[number].stalled) return false;  // nothing leaves for a stopped reader
        ports[number].drained = ports[number].written.size();
        return true;
    }
    int readByte(int number) override {
        auto it = ports.find(number);
        if (it == ports.end() || it->second.input.empty()) return -1;
        int b = it->second.input.front();
        it->second.input.pop_front();
        return b;
    }
    int inputLength(int number) const override {
        auto it = ports.find(number);
        return it == ports.end() ? 0 : static_cast<int>(it->second.input.size());
    }
    void onReceive(int number, std::function<void(int)> cb) override {
        ports[number].callback = std::move(cb);
    }
    void onLost(std::function<void(int, const std::string&)> cb) override { lost = std::move(cb); }

    // Test side: bytes arrive and the receive callback runs, as the event loop would do.
    void receive(int number, std::string_view bytes) {
        Port& p = ports[number];
        for (char c : bytes) p.input.push_back(static_cast<std::uint8_t>(c));
        // A callback may take part of the input; the event loop calls it again for the rest.
        for (std::size_t left = SIZE_MAX; p.callback && !p.input.empty() && p.input.size() < left;) {
            left = p.input.size();
            p.callback(number);
        }
    }
    void loseport(int number, const std::string& reason = "device removed") {
        close(number);
        if (lost) lost(number, reason);
    }
    std::string writtenText(int number) {
        auto& w = ports[number].written;
        return std::string(w.begin(), w.end());
    }
};

}  // namespace testing_support
