#pragma once
#include <string>
#include <vector>

#include "link/link_state.h"
#include "link/port_manager.h"
#include "live/frame_capture.h"
#include "live/recorder.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"
#include "upload/flash_upload.h"

namespace app {

// The operator's choice of another unit type. The change closes every port and empties the
// live display, so while a port is open or a file is being written it is made only after a
// question that names what closes. A recording (and a frame capture) goes on in its next
// numbered file from the change: no file ever holds the records of two unit types, and a
// station that is being re-pointed keeps recording without a gap in its file numbers.
class UnitTypeChange {
  public:
    UnitTypeChange(platform::Panel& panel, platform::Dialogs& dialogs,
                   const platform::Session& session, const links::LinkState& links,
                   links::PortManager& ports, live::Recorder& recorder,
                   live::FrameCapture& capture, const upload::FlashUpload& upload)
        : panel_(panel),
          dialogs_(dialogs),
          session_(session),
          links_(links),
          ports_(ports),
          recorder_(recorder),
          capture_(capture),
          upload_(upload) {}

    // The unit type ring was committed: its value is the type asked for.
    void UnitTypeRing();

    // What the change to `newType` would close or cut, one line each; empty when nothing.
    std::vector<std::string> whatItCloses(int newType) const;

  private:
    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    const platform::Session& session_;
    const links::LinkState& links_;
    links::PortManager& ports_;
    live::Recorder& recorder_;
    live::FrameCapture& capture_;
    const upload::FlashUpload& upload_;
};

}  // namespace app
