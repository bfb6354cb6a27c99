#pragma once
#include <initializer_list>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>

#include "config/command_set.h"
#include "config/config_state.h"
#include "link/api_frame.h"
#include "link/link_state.h"
#include "platform/clock.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"

namespace config {

// A command that gets no answer goes out this often in all (the first send and six resends)
// before the scan gives it up.
inline constexpr int kMaxSends = 7;

// The one send path of the configuration commands. Every command is formatted into the shared
// TxStr and sent in a transmit-request frame to ConfigDeviceAddr; TxWait is then 1 until the
// reply parser accepts the answer.
class CommandSender {
  public:
    CommandSender(platform::Panel& panel, platform::Clock& clock, platform::SerialPorts& ports,
                  links::ApiFrameWriter& writer, const links::LinkState& links,
                  const ConfigState& state);

    // A setting write: dims the control, waits 0.1 s, sends, TxWait := 1.
    void write(platform::Ctl dim, Cmd c, const Args& a = {});
    void writeCal(platform::Ctl dim, Cal c, int currentMode, const Args& a = {});
    // A command that dims nothing (a read button, a follow-up), after the given wait.
    void send(Cmd c, const Args& a = {}, double wait = 0.1);
    // A command to which no reply is awaited (TxWait is left as it is), so that the scan never
    // sends it again: a clock set to the computer's time must not be repeated later.
    void post(Cmd c, const Args& a = {}, double wait = 0);
    // The scan's reads: 0.01 s and nothing dimmed.
    void read(Cmd c, const Args& a = {});
    void readCal(Cal c, int currentMode);
    // TxStr again, unchanged.
    void resend();
    // "BP" goes to every radio unit of the network; no reply is awaited.
    void broadcastPower(int value);
    // "ZS" goes to the address its caller names; no reply is awaited.
    void timeSync(std::uint64_t address, const Args& a);
    // Remote AT commands to the selected unit's radio: "ID" (2 bytes) and the data logger's
    // PAN save ("#3P0WM" and a NUL, 7 bytes).
    void readRemotePanId();
    void saveLoggerPan();
    // The selected unit's radio: "ID" and the new PAN ID's eight bytes (most significant
    // first), and "WR" to keep it through power cycles.
    void writeRemotePanId(std::uint64_t id);
    void saveRemotePanId();
    // A synchronizer menu command on the wired port: byte, waits, line (ConfigStatus is then
    // set to 0 by the caller so the wired timer reads the unit again).
    void menu(MenuCmd c, const std::array<int, 6>& a);

    // Writes whose control stays dimmed until the unit confirms them. A write that is never
    // confirmed (the resends gave up, or a later command took TxStr before it was answered)
    // must not leave its control dimmed without a word: the scan hands these back.
    // Controls dimmed with it (a start time's fields) are undimmed with it when it is handed
    // back unconfirmed.
    void awaitConfirmation(platform::Ctl c, std::initializer_list<platform::Ctl> dimmedWith = {});
    // The awaited controls that are still dimmed (unconfirmed); the list is emptied.
    std::vector<platform::Ctl> takeUnconfirmed();
    bool awaitingConfirmation() const { return !awaited_.empty(); }
    // How often TxStr has gone out: 1 for a new command, one more for each resend.
    int sends() const { return sends_; }
    // Whether a reply ("$RS,4\r\n", "$1P0RD,3\r\n") answers the command in TxStr: the same
    // mnemonic (with its group and port), up to the first comma or line end.
    bool answersLastCommand(std::string_view reply) const;

    links::ApiFrameWriter& writer() { return writer_; }
    int& TxWait() { return writer_.TxWait; }
    const TxBuffer& TxStr() const { return writer_.TxStr; }

  private:
    void transmit(std::uint64_t address, int length);
    void remoteAt(int length);

    platform::Panel& panel_;
    platform::Clock& clock_;
    platform::SerialPorts& ports_;
    links::ApiFrameWriter& writer_;
    const links::LinkState& links_;
    const ConfigState& state_;
    std::vector<platform::Ctl> awaited_;
    std::vector<std::pair<platform::Ctl, platform::Ctl>> dimmedWith_;  // (awaited, companion)
    int sends_ = 0;
    // How TxStr last went out, so that a resend repeats the same frame: a remote AT command
    // carries binary parameters and must not go again as text.
    bool lastRemoteAt_ = false;
    int lastLength_ = 0;
};

}  // namespace config
