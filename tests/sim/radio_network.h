#pragma once
// A simulated radio network driven the way the host drives it: commands go in as transmit
// requests, and what comes back is read out of the adapter's frames.
#include <memory>
#include <string>
#include <vector>

#include "api_frames.h"
#include "sim/sim_network.h"

namespace simtest {

inline const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct Network {
    std::unique_ptr<sim::XBeeAdapter> adapter;

    explicit Network(std::vector<int> types) : adapter(sim::makeRadioNetwork(kStart, types)) {}

    sim::RadioUnit& unit(std::size_t i) { return *adapter->units()[i]; }
    std::uint64_t address(std::size_t i) { return unit(i).address(); }

    std::vector<Bytes> exchange(const Bytes& frame) {
        adapter->takeOutput();
        adapter->receive(std::span(frame.data(), frame.size()));
        return decodeFrames(adapter->takeOutput());
    }
    // The configuration replies that come back for one command to unit i.
    std::vector<std::string> ask(std::size_t i, std::string_view text) {
        std::vector<std::string> replies;
        for (const Bytes& f : exchange(transmitRequest(address(i), text)))
            if (f[0] == 0x90 && simtest::address(f, 1) == address(i)) replies.emplace_back(f.begin() + 12, f.end());
        return replies;
    }
    std::string askOne(std::size_t i, std::string_view text) {
        auto r = ask(i, text);
        if (r.size() == 1) return r[0];
        std::string count("<");
        count += std::to_string(r.size());
        return count += " replies>";
    }
    // Runs the network for ms milliseconds in steps and returns the texts the units sent.
    std::vector<std::string> run(double ms, double step = 50) {
        std::vector<std::string> texts;
        for (double t = 0; t < ms; t += step) {
            adapter->advance(step);
            for (auto& s : packetTexts(adapter->takeOutput())) texts.push_back(std::move(s));
        }
        return texts;
    }
};

}  // namespace simtest
