#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/api_frame.h"

namespace testing_support {

// Records what each sender was asked to send: kind, 64-bit address and the TxStr bytes.
class FakeApiFrameWriter : public links::ApiFrameWriter {
public:
    struct Sent {
        char kind;  // 'T' transmit request, 'L' local AT command, 'R' remote AT command
        std::uint64_t address;
        std::string bytes;
    };
    std::vector<Sent> sent;

    void ComWrtAPIFrame(std::uint32_t low, std::uint32_t high, int n) override {
        sent.push_back({'T', join(low, high), text(n)});
    }
    void ComWrtATCommand(int n) override { sent.push_back({'L', 0, text(n)}); }
    void ComWrtRemoteATCommand(std::uint32_t low, std::uint32_t high, int n) override {
        sent.push_back({'R', join(low, high), text(n)});
    }

private:
    static std::uint64_t join(std::uint32_t low, std::uint32_t high) {
        return static_cast<std::uint64_t>(high) << 32 | low;
    }
    std::string text(int n) const {
        if (n < 0) n = 0;
        if (n > static_cast<int>(TxStr.size())) n = static_cast<int>(TxStr.size());
        return std::string(TxStr.data(), static_cast<std::size_t>(n));
    }
};

}  // namespace testing_support
