#pragma once
#include <cstdint>

#include "link/api_frame.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace network {

// The PAN ID of the USB radio adapter on this computer: read when its port opens, changed by
// the operator on the main panel, and written to the adapter's memory once it has taken it.
// The adapter's answers arrive through the data service, which shows a read value and calls
// SaveLocalPANID when a change has been taken.
class LocalPanId {
public:
    LocalPanId(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
               links::ApiFrameWriter& writer);

    void GetLocalPANID();
    // The adapter PAN ID entry: key press, commit, lost focus.
    void Xstick_PAN_ID(platform::Event e);
    void SaveLocalPANID();

    // The last value the adapter reported; a declined change puts it back in the entry.
    const std::uint64_t* LastLocalXstickPANID = nullptr;

private:
    void sendAt(int length);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    links::ApiFrameWriter& writer_;
};

}  // namespace network
