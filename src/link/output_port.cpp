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
        ports_.close(links_.OpenComPortNumOutput);
        clock_.delay(0.5);
    }
    links_.OpenComPortNumOutput = 0;
    portClosed();
}

void OutputPort::portClosed() {
    panel_.setDimmed(Ctl::OutputPortRing, false);
    panel_.setVisible(Ctl::ChangeOutputPort, false);
    lister_.fill(Ctl::OutputPortRing);
}

void OutputPort::sendRecord(std::string_view record) {
    if (links_.OpenComPortNumOutput == 0) return;
    ports_.write(links_.OpenComPortNumOutput,
                 {reinterpret_cast<const std::uint8_t*>(record.data()), record.size()});
}

bool OutputPort::portLost(int number, const std::string& reason) {
    if (number == 0 || number != links_.OpenComPortNumOutput) return false;
    links_.OpenComPortNumOutput = 0;
    portClosed();
    reportPortLost(dialogs_, lister_.nameOf(number), reason);
    return true;
}

}  // namespace links
