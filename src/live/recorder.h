#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "app/shell.h"
#include "link/link_state.h"
#include "live/record_format.h"
#include "live/unbuffered_file.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace live {

inline constexpr int kContinuousFile = 99;  // SaveFileInterval meaning "never start a new file"
inline constexpr int kLastFileNumber = 998;

// The sample recorder: one fixed-layout record per unit message into a CSV file that starts
// anew every SaveFileInterval days, and the same record to the streaming output port.
class Recorder : public app::ClosesOnExit {
public:
    Recorder(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock,
             const platform::Session& session, const links::LinkState& links);

    // The File menu's start and stop items.
    void SaveOutputDataToFile();
    void StopOutputDataToFile();

    // True when a record has somewhere to go (the file or the output port).
    bool wantsRecords() const { return OutputDataFileOpen != 0 || links_.OpenComPortNumOutput != 0; }
    // Records the message just placed in line (frame offsets: the payload starts at 12).
    void WriteOutputToFile(const OutputLine& line, const MessageText& frame,
                           std::span<const float> values, std::span<const std::uint8_t> raw);

    // Timer: starts the next file after SaveFileInterval calendar days.
    void SaveNewFileInterval();

    void closeOnExit() override;

    // Streams a record to the output port; the links own the port.
    std::function<void(std::span<const std::uint8_t>)> sendToOutputPort;

    int OutputDataFileOpen = 0;
    std::string SaveOutputDataFileName;
    int SaveFileInterval = 0;
    int SaveFileDayCounter = 0;
    int SaveFileLastDay = 0;
    int SaveFileNameCounter = 0;

private:
    void showRecording(bool on);
    void stopAndTell(const std::string& why);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    const platform::Session& session_;
    const links::LinkState& links_;
    UnbufferedFile SaveOutputDataHandle;
    RecordBuffer record_{};
};

}  // namespace live
