#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_state.h"
#include "link/port_lister.h"
#include "link/record_queue.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"

namespace links {

// A send-only port that streams every record the recorder writes, at 115200 baud, so another
// computer or logger can take the live data of all connected units.
class OutputPort {
  public:
    static constexpr int kBaud = 115200;

    OutputPort(platform::SerialPorts& ports, platform::Panel& panel, platform::Dialogs& dialogs,
               platform::Clock& clock, LinkState& links, PortLister& lister);

    void ComPortOutput();
    void ChangeComportOutput();
    // Bytes that arrive on the output port are read and dropped: the port's input buffer has
    // no fixed limit, so unread bytes would pile up for as long as the port stays open.
    void ComOutPutCallback(int number);

    bool isOpen() const { return links_.OpenComPortNumOutput != 0; }
    // The record line the recorder writes (its WriteOutputToFile), sent when the port is open;
    // write errors are not repeated. Never waits: a port that takes records slower than they
    // come (a stalled reader) has them queue up to a bound, and then the oldest are dropped,
    // counted and the operator told.
    void sendRecord(std::string_view record);
    // Once a second: hands queued records to the port as it takes them.
    void tick();
    // Records dropped since the port was opened because it did not take them.
    std::uint64_t droppedRecords() const { return dropped_; }

    // Bytes handed to the port and not yet gone (the driver's share), and the records that
    // wait here beyond them.
    static constexpr std::size_t kInFlightBytes = 16 * 1024;
    static constexpr std::size_t kQueueBytes = 256 * 1024;

    // True if number was the output port (already closed by the port layer).
    bool portLost(int number, const std::string& reason);

  private:
    void portClosed();
    void feed();

    platform::SerialPorts& ports_;
    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    LinkState& links_;
    PortLister& lister_;
    RecordQueue queue_{kQueueBytes};
    std::uint64_t dropped_ = 0;
    std::uint64_t droppedSinceWarning_ = 0;
    bool behind_ = false;  // dropping; said once, and its end said
};

}  // namespace links
