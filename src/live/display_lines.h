#pragma once
#include <cstdint>
#include <functional>

#include "link/api_frame.h"
#include "live/device_table.h"
#include "platform/panel.h"

namespace live {

// The eight display rows of the main panel: each shows one device entry of the page chosen
// with the page control (page 1 slots 0-7, page 2 slots 8-15, page 3 slots 16-23).
class DisplayLines {
public:
    DisplayLines(platform::Panel& panel, DeviceTable& table);

    // Finds or allocates the unit's entry (-1 when all 24 are taken); a new unit re-ranks the
    // table and redraws.
    int GetOutputLineLoc(std::uint64_t address, std::uint8_t deviceNumber);

    // A message from port A, port B or a played file has been placed in line: its offset
    // time and temperature follow, then the entry is drawn.
    void showMessage(int line, links::FrameSource from);
    // Draws one entry in its row when its page is shown.
    void WrLine2Display(int line);
    void DisplayAllOutputLines();
    void ClearAllDisplayLines();
    void DefaultOutputLine(int row);
    void DimLine(int row);
    void UnDimLine(int row);
    // Page control: the rows are cleared and refill as messages arrive.
    void SelectDisplayLines(platform::Event event);

    int DisplayLinesPage() const;

    // A unit got an entry: the clock synchroniser speeds up its cycle (FastSyncSecTimeout).
    std::function<void()> onNewUnit;

private:
    void updateTemperature(const OutputLine& e, links::FrameSource from);

    platform::Panel& panel_;
    DeviceTable& table_;
};

}  // namespace live
