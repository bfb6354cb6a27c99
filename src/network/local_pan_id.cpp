#include "network/local_pan_id.h"

#include "platform/entry_hint.h"

namespace network {

using platform::Ctl;
using platform::Event;

namespace {
constexpr const char* kChangeTitle = "CHANGE THE LOCAL ADAPTER PAN ID?";
constexpr const char* kChangeText =
    "All radio units and the adapter on this computer must share the same PAN ID.\n"
    "Change the remote units first: they are reached with the adapter's present value.\n"
    "The adapter keeps its new value through power cycles.\n\n"
    "Are you sure you want to change the Local Adapter's PAN ID?";
}  // namespace

LocalPanId::LocalPanId(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
                       links::ApiFrameWriter& writer)
    : panel_(panel), dialogs_(dialogs), clock_(clock), writer_(writer) {}

// Local AT commands: the two command letters and any parameter bytes are in TxStr. The
// adapter needs a moment after the previous frame.
void LocalPanId::sendAt(int length) {
    clock_.delay(0.1);
    writer_.ComWrtATCommand(length);
    writer_.TxWait = 1;
}

void LocalPanId::GetLocalPANID() {
    writer_.TxStr[0] = 'I';
    writer_.TxStr[1] = 'D';
    sendAt(2);
}

void LocalPanId::Xstick_PAN_ID(Event e) {
    platform::followEntryHint(panel_, Ctl::AdapterPanId, e);
    if (e != Event::Commit) return;
    if (!dialogs_.confirm(kChangeTitle, kChangeText)) {
        panel_.setU64(Ctl::AdapterPanId, LastLocalXstickPANID ? *LastLocalXstickPANID : 0);
        return;
    }
    // "ID" and the new value's eight bytes, most significant first.
    const std::uint64_t id = panel_.u64(Ctl::AdapterPanId);
    panel_.setDimmed(Ctl::AdapterPanId, true);
    writer_.TxStr[0] = 'I';
    writer_.TxStr[1] = 'D';
    for (int i = 0; i < 8; ++i) {
        writer_.TxStr[static_cast<std::size_t>(2 + i)] = static_cast<char>(id >> (56 - 8 * i));
    }
    sendAt(10);
}

void LocalPanId::SaveLocalPANID() {
    writer_.TxStr[0] = 'W';
    writer_.TxStr[1] = 'R';
    sendAt(2);
}

}  // namespace network
