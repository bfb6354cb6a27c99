#pragma once
#include <functional>

namespace links {

// Work of other subsystems that the links start. Host fills these; an empty hook does nothing.
struct LinkHooks {
    std::function<void()> ClearAllDisplayLines;   // live display rows
    std::function<void()> ChartReset;             // chart traces
    std::function<void()> GetLocalPANID;          // ask the radio adapter for its PAN ID
    std::function<void(int)> ConfigXBPANVisible;  // show or hide the PAN ID controls
    // Unit type change: free every device record, and dim and default the configuration page.
    std::function<void()> clearDeviceTable;
    std::function<void()> resetConfigPage;
};

inline void callHook(const std::function<void()>& hook) {
    if (hook) hook();
}

}  // namespace links
