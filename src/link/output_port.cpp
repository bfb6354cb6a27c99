#include "link/output_port.h"

#include "link/port_manager.h"

namespace links {

using platform::Ctl;

OutputPort::OutputPort(platform::SerialPorts& ports, platform::Panel& panel,
                       platform::Dialogs& dialogs, platform::Clock& clock, LinkState& links,
                       PortLister& lister)
    : ports_(ports),
      panel_(panel),
      dialogs_(dialogs),
      clock_(clock),
      links_(links),
      lister_(lister) {}

void OutputPort::ComPortOutput() {
    const int number = panel_.intValue(Ctl::OutputPortRing);
    if (number == 0) return;
    platform::PortStatus status = inUse(links_, number)
                                      ? platform::PortStatus{-1, "it is already open here"}
                                      : ports_.open(number, {.baud = kBaud});
    if (!status.ok()) {
        panel_.setValue(Ctl::OutputPortRing, 0);
        reportOpenFailure(dialogs_, lister_.nameOf(number), status);
        return;
    }
    ports_.flushOutput(number);
    queue_.clear();
    dropped_ = droppedSinceWarning_ = 0;
    behind_ = false;
    links_.OpenComPortNumOutput = number;
    panel_.setDimmed(Ctl::OutputPortRing, true);
    panel_.setVisible(Ctl::ChangeOutputPort, true);
    ports_.onReceive(number, [this](int n) { ComOutPutCallback(n); });
}

void OutputPort::ComOutPutCallback(int number) {
    while (ports_.inputLength(number) != 0 && ports_.readByte(number) >= 0) {
    }
}

void OutputPort::ChangeComportOutput() {
    if (links_.OpenComPortNumOutput != 0) {
        platform::drainAndClose(ports_, links_.OpenComPortNumOutput);
        clock_.delay(0.5);
    }
    links_.OpenComPortNumOutput = 0;
    portClosed();
}

void OutputPort::portClosed() {
    queue_.clear();
    panel_.setDimmed(Ctl::OutputPortRing, false);
    panel_.setVisible(Ctl::ChangeOutputPort, false);
    lister_.fill(Ctl::OutputPortRing);
}

void OutputPort::sendRecord(std::string_view record) {
    const int number = links_.OpenComPortNumOutput;
    if (number == 0) return;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(record.data()),
                                              record.size());
    feed();
    if (queue_.empty() && ports_.outputPending(number) + bytes.size() <= kInFlightBytes) {
        ports_.write(number, bytes);
        return;
    }
    const std::size_t dropped = queue_.push(bytes);
    if (dropped == 0) return;
    dropped_ += dropped;
    droppedSinceWarning_ += dropped;
    if (behind_) return;
    behind_ = true;
    dialogs_.message("OUTPUT PORT NOT KEEPING UP",
                     lister_.nameOf(number) +
                         " does not take the records as fast as they come (has its reader "
                         "stopped?). The oldest records waiting for it are dropped and counted; "
                         "the recording is not held up.");
}

// Records go to the port only as fast as it takes them, so what waits stays within bounds.
void OutputPort::feed() {
    const int number = links_.OpenComPortNumOutput;
    if (number == 0) return;
    while (!queue_.empty() && ports_.outputPending(number) < kInFlightBytes) {
        queue_.popFront([&](std::span<const std::uint8_t> piece) { ports_.write(number, piece); });
    }
    if (behind_ && queue_.empty()) {
        behind_ = false;
        dialogs_.message("OUTPUT PORT KEEPING UP AGAIN",
                         lister_.nameOf(number) + " takes the records again; " +
                             std::to_string(droppedSinceWarning_) +
                             " record(s) were dropped while it did not.");
        droppedSinceWarning_ = 0;
    }
}

void OutputPort::tick() { feed(); }

bool OutputPort::portLost(int number, const std::string& reason) {
    if (number == 0 || number != links_.OpenComPortNumOutput) return false;
    links_.OpenComPortNumOutput = 0;
    portClosed();
    reportPortLost(dialogs_, lister_.nameOf(number), reason);
    return true;
}

}  // namespace links
