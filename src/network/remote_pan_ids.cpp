#include "network/remote_pan_ids.h"

#include "platform/entry_hint.h"

namespace network {

using platform::Ctl;
using platform::Event;

namespace {

constexpr platform::Rgb kPending = 0x0066FF;  // a change sent, not yet kept
constexpr double kSaveWait = 0.1;

constexpr const char* kRemoteTitle = "CHANGE THE REMOTE XB unit's PAN ID?";
constexpr const char* kRemoteText =
    "All radio units and the adapter on this computer must share the same PAN ID.\n"
    "After the change this unit is reached only with the new PAN ID on the adapter.\n\n"
    "Are you sure you want to change the Remote XB device's PAN ID?\n\n"
    "Note: A power cycle will return the PAN ID to the previous value.\n"
    "To keep the new value through power cycles you must reconnect with the\n"
    "new Local PAN ID and press the Save Remote PAN ID button.";
constexpr const char* kCoordinatorText =
    "The data logger's coordinator radio links its XB sensors: they must all share its PAN "
    "ID.\n\nAre you sure you want to change the data logger's sensor PAN ID?\n\n"
    "Note: A power cycle will return the PAN ID to the previous value.\n"
    "Press the Save XB PAN ID button to keep the new value through power cycles.";

}  // namespace

RemotePanIds::RemotePanIds(platform::Panel& panel, platform::Dialogs& dialogs,
                           platform::Clock& clock, config::ConfigState& state,
                           config::CommandSender& sender)
    : panel_(panel), dialogs_(dialogs), clock_(clock), s_(state), sender_(sender) {}

void RemotePanIds::FathomrodXB_PAN_ID(Event e) {
    platform::followEntryHint(panel_, Ctl::RemotePanID, e);
    if (e != Event::Commit) return;
    if (!dialogs_.confirm(kRemoteTitle, kRemoteText)) {
        panel_.setU64(Ctl::RemotePanID,
                      LastRemoteFathomrodXBPANID ? *LastRemoteFathomrodXBPANID : 0);
        return;
    }
    const std::uint64_t id = panel_.u64(Ctl::RemotePanID);
    panel_.setTextColor(Ctl::RemotePanID, kPending);
    panel_.setTextColor(Ctl::SaveRemotePanID, kPending);
    panel_.setDimmed(Ctl::SaveRemotePanID, true);
    sender_.awaitConfirmation(Ctl::RemotePanID);
    sender_.writeRemotePanId(id);
}

void RemotePanIds::SaveRemotePANID() {
    sender_.awaitConfirmation(Ctl::SaveRemotePanID);
    sender_.saveRemotePanId();
}

void RemotePanIds::DataLog_XB_Sensor_PAN(Event e) {
    platform::followEntryHint(panel_, Ctl::DataLogPanId, e);
    if (e != Event::Commit) return;
    if (!dialogs_.confirm(kRemoteTitle, kCoordinatorText)) {
        panel_.setU64(Ctl::DataLogPanId, s_.LastDLPANID);
        return;
    }
    config::Args a = config::Args::at(3, 0);
    a.hex = panel_.u64(Ctl::DataLogPanId);
    sender_.awaitConfirmation(Ctl::DataLogPanId);
    sender_.awaitConfirmation(Ctl::SaveXBPanId);
    sender_.send(config::Cmd::WriteLoggerPan, a);
}

void RemotePanIds::SaveXB_PAN_ID() {
    // The logger's radio needs a pause before a remote AT command after its text commands.
    clock_.delay(kSaveWait);
    sender_.awaitConfirmation(Ctl::SaveXBPanId);
    sender_.saveLoggerPan();
}

}  // namespace network
