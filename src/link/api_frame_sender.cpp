#include "link/api_frame_sender.h"

#include <algorithm>

#include "link/api_frame_codec.h"

namespace links {

std::span<const std::uint8_t> ApiFrameSender::text(int n) const {
    const auto count = static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(TxStr.size())));
    return {reinterpret_cast<const std::uint8_t*>(TxStr.data()), count};
}

void ApiFrameSender::send(std::span<const std::uint8_t> bytes) {
    if (links_.OpenComPortNum == 0) return;
    ports_.write(links_.OpenComPortNum, bytes);
}

void ApiFrameSender::ComWrtAPIFrame(std::uint32_t addrLow, std::uint32_t addrHigh, int n) {
    if (links_.OpenComPortNum == 0) return;
    send(transmitRequest(joinAddress(addrLow, addrHigh), text(n)).span());
}

void ApiFrameSender::ComWrtATCommand(int n) {
    if (links_.OpenComPortNum == 0) return;
    send(atCommand(text(n)).span());
}

void ApiFrameSender::ComWrtRemoteATCommand(std::uint32_t addrLow, std::uint32_t addrHigh, int n) {
    if (links_.OpenComPortNum == 0) return;
    send(remoteAtCommand(joinAddress(addrLow, addrHigh), text(n)).span());
}

}  // namespace links
