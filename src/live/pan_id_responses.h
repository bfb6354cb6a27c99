#pragma once
#include <cstdint>
#include <functional>

#include "link/api_frame.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace live {

// Answers of the radios to the PAN ID commands: the local adapter's AT responses and the
// remote AT responses of the unit being configured. Text layout (after the frame header):
// two command letters, a status byte (0 = OK), then the data bytes.
class PanIdResponses {
public:
    PanIdResponses(platform::Panel& panel, platform::Dialogs& dialogs,
                   links::ApiFrameWriter& writer);

    void RxATCommandResponce(const std::uint8_t* RxChars, int count);
    void RxRemoteATCommandResponce(const std::uint8_t* RxChars, int count);

    // The PAN ID room's own actions: make the adapter's new PAN ID permanent ("WR"), and show
    // the XB PAN ID controls of the configuration tab.
    std::function<void()> SaveLocalPANID;
    std::function<void(int)> ConfigXBPANVisible;

    std::uint64_t KeptLocalPANID = 0;
    std::uint64_t LastLocalXstickPANID = 0;
    std::uint64_t KeptRemotePANID = 0;
    std::uint64_t LastRemoteFathomrodXBPANID = 0;

private:
    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    links::ApiFrameWriter& writer_;
};

}  // namespace live
