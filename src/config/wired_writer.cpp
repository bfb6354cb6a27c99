#include "config/wired_writer.h"

namespace config {

namespace {
// The unit needs 0.4 s after "w" before it takes the block; a staff 0.3 s after the block
// before it answers the handshake again, a logger 0.4 s.
constexpr double kAfterW = 0.4;
constexpr double kAfterStaffBlock = 0.3;
constexpr double kAfterLoggerBlock = 0.4;
}  // namespace

WiredWriter::WiredWriter(platform::SerialPorts& ports, platform::Clock& clock,
                         const platform::Session& session, links::LinkState& links)
    : ports_(ports), clock_(clock), session_(session), links_(links) {}

void WiredWriter::takeComputerClock() {
    // The unit sets its clock when the block arrives, so the block names the start of a
    // fresh second; date and time come from one reading, so a midnight between them cannot
    // pair the old day with the new time.
    clock_.waitNextSecond();
    FRAll.setClock(clock_.now());
}

void WiredWriter::writeBlock(int port, int length) {
    ports_.write(port, {reinterpret_cast<const std::uint8_t*>(FRTx.data()),
                        static_cast<std::size_t>(length)});
}

void WiredWriter::TxFRAllConfig() {
    const int type = session_.UnitType;
    const int port = links_.OpenComPortNum;
    if (!hasBlock(type) || port == 0) return;
    if (hasStaffLayout(type)) {
        ports_.flushOutput(port);
        ports_.writeByte(port, 'w');
        clock_.delay(kAfterW);
        const int n = encodeBlock(FRAll, type, FRTx);
        ports_.flushOutput(port);
        writeBlock(port, n);
        clock_.delay(kAfterStaffBlock);
    } else {
        ports_.writeByte(port, 'w');
        clock_.delay(kAfterW);
        if (TCSyncRTC == 1) {
            TCSyncRTC = 0;
            takeComputerClock();
        }
        writeBlock(port, encodeBlock(FRAll, type, FRTx));
        clock_.delay(kAfterLoggerBlock);
    }
    links_.FRTCConnectStatus = 0;
    links_.FRTCConnectStatus_B = 0;
}

}  // namespace config
