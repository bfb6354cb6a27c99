#include "config/command_sender.h"

#include <algorithm>
#include <cstring>

namespace config {

namespace {
constexpr double kWriteWait = 0.1;
constexpr double kReadWait = 0.01;
constexpr double kMenuByteWait = 0.4;  // the synchronizer opens its menu item
}  // namespace

CommandSender::CommandSender(platform::Panel& panel, platform::Clock& clock,
                             platform::SerialPorts& ports, links::ApiFrameWriter& writer,
                             const links::LinkState& links, const ConfigState& state)
    : panel_(panel), clock_(clock), ports_(ports), writer_(writer), links_(links), state_(state) {}

void CommandSender::transmit(std::uint64_t address, int length) {
    sends_ = 1;
    lastRemoteAt_ = false;
    lastLength_ = length;
    writer_.ComWrtAPIFrame(static_cast<std::uint32_t>(address),
                           static_cast<std::uint32_t>(address >> 32), length);
}

void CommandSender::awaitConfirmation(platform::Ctl c,
                                      std::initializer_list<platform::Ctl> dimmedWith) {
    panel_.setDimmed(c, true);
    for (platform::Ctl d : dimmedWith) dimmedWith_.emplace_back(c, d);
    for (platform::Ctl a : awaited_)
        if (a == c) return;
    awaited_.push_back(c);
}

std::vector<platform::Ctl> CommandSender::takeUnconfirmed() {
    std::vector<platform::Ctl> left;
    for (platform::Ctl c : awaited_)
        if (panel_.dimmed(c)) left.push_back(c);
    for (const auto& [owner, companion] : dimmedWith_)
        if (std::find(left.begin(), left.end(), owner) != left.end())
            panel_.setDimmed(companion, false);
    awaited_.clear();
    dimmedWith_.clear();
    return left;
}

void CommandSender::write(platform::Ctl dim, Cmd c, const Args& a) {
    awaitConfirmation(dim);
    send(c, a, kWriteWait);
}

void CommandSender::writeCal(platform::Ctl dim, Cal c, int currentMode, const Args& a) {
    awaitConfirmation(dim);
    clock_.delay(kWriteWait);
    transmit(state_.ConfigDeviceAddr, formatCalWrite(writer_.TxStr, c, currentMode, a));
    writer_.TxWait = 1;
}

void CommandSender::send(Cmd c, const Args& a, double wait) {
    clock_.delay(wait);
    transmit(state_.ConfigDeviceAddr, formatCommand(writer_.TxStr, c, a));
    writer_.TxWait = 1;
}

void CommandSender::post(Cmd c, const Args& a, double wait) {
    if (wait > 0) clock_.delay(wait);
    transmit(state_.ConfigDeviceAddr, formatCommand(writer_.TxStr, c, a));
}

void CommandSender::read(Cmd c, const Args& a) { send(c, a, kReadWait); }

void CommandSender::readCal(Cal c, int currentMode) {
    clock_.delay(kReadWait);
    transmit(state_.ConfigDeviceAddr, formatCalRead(writer_.TxStr, c, currentMode));
    writer_.TxWait = 1;
}

bool CommandSender::answersLastCommand(std::string_view reply) const {
    const auto head = [](std::string_view t) { return t.substr(0, t.find_first_of(",\r\n")); };
    const std::string_view sent(writer_.TxStr.data(),
                                strnlen(writer_.TxStr.data(), writer_.TxStr.size()));
    std::string_view command = head(sent);
    if (!command.empty() && command.front() == '#') command.remove_prefix(1);
    if (reply.size() < 2) return false;
    const std::string_view answered = head(reply.substr(1));
    // Every block of a flash-card file answers "OO", "OR" and "OA" alike: after an "OA" the
    // block asked for before it is still the file's next.
    const auto blockRequest = [](std::string_view m) {
        return m == "OO" || m == "OR" || m == "OA";
    };
    return answered == command || (blockRequest(answered) && blockRequest(command));
}

void CommandSender::resend() {
    const int before = sends_;
    if (lastRemoteAt_) {
        remoteAt(lastLength_);
    } else {
        transmit(state_.ConfigDeviceAddr,
                 static_cast<int>(strnlen(writer_.TxStr.data(), writer_.TxStr.size())));
    }
    sends_ = before + 1;
}

void CommandSender::remoteAt(int length) {
    sends_ = 1;
    lastRemoteAt_ = true;
    lastLength_ = length;
    writer_.ComWrtRemoteATCommand(static_cast<std::uint32_t>(state_.ConfigDeviceAddr),
                                  static_cast<std::uint32_t>(state_.ConfigDeviceAddr >> 32),
                                  length);
}

void CommandSender::broadcastPower(int value) {
    clock_.delay(kWriteWait);
    transmit(links::kBroadcastAddress,
             formatCommand(writer_.TxStr, Cmd::BroadcastPower, Args::of(value)));
}

void CommandSender::timeSync(std::uint64_t address, const Args& a) {
    transmit(address, formatCommand(writer_.TxStr, Cmd::TimeSync, a));
}

void CommandSender::readRemotePanId() {
    clock_.delay(kWriteWait);
    std::memcpy(writer_.TxStr.data(), "ID", 3);
    remoteAt(2);
    writer_.TxWait = 1;
}

void CommandSender::writeRemotePanId(std::uint64_t id) {
    clock_.delay(kWriteWait);
    writer_.TxStr[0] = 'I';
    writer_.TxStr[1] = 'D';
    for (int i = 0; i < 8; ++i)
        writer_.TxStr[static_cast<std::size_t>(2 + i)] = static_cast<char>(id >> (56 - 8 * i));
    remoteAt(10);
    writer_.TxWait = 1;
}

void CommandSender::saveRemotePanId() {
    clock_.delay(kWriteWait);
    std::memcpy(writer_.TxStr.data(), "WR", 3);
    remoteAt(2);
    writer_.TxWait = 1;
}

void CommandSender::saveLoggerPan() {
    clock_.delay(kWriteWait);
    // The NUL is part of the command: the logger's radio passes all seven bytes on.
    std::memcpy(writer_.TxStr.data(), "#3P0WM", 7);
    remoteAt(7);
    writer_.TxWait = 1;
}

void CommandSender::menu(MenuCmd c, const std::array<int, 6>& a) {
    const int port = links_.OpenComPortNum;
    if (port == 0) return;
    const MenuSpec& m = menuSpec(c);
    ports_.flushOutput(port);
    if (m.preWait > 0) clock_.delay(m.preWait);
    ports_.writeByte(port, static_cast<std::uint8_t>(m.byte));
    clock_.delay(kMenuByteWait);
    ports_.flushOutput(port);
    clock_.delay(m.settle);
    TxBuffer line{};
    const int n = formatMenuLine(line, c, a);
    ports_.write(port,
                 {reinterpret_cast<const std::uint8_t*>(line.data()), static_cast<std::size_t>(n)});
    clock_.delay(m.closing);
}

}  // namespace config
