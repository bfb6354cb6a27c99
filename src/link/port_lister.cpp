#include "link/port_lister.h"

#include <vector>

namespace links {

int PortLister::fill(platform::Ctl ring) {
    std::vector<platform::PortInfo> found;
    if (!ports_.list(found).ok()) return -1;
    panel_.clearItems(ring);
    panel_.insertItem(ring, -1, "Select a serial port", 0);
    for (const platform::PortInfo& port : found) {
        if (port.number <= 0) continue;
        panel_.insertItem(ring, -1, port.label, port.number);
        names_[port.number] = port.label;
    }
    panel_.setSelectedIndex(ring, 0);
    return 0;
}

std::string PortLister::nameOf(int number) const {
    auto it = names_.find(number);
    return it != names_.end() ? it->second : "serial port " + std::to_string(number);
}

std::string PortLister::pathOf(int number) const {
    auto it = paths_.find(number);
    return it != paths_.end() ? it->second : "";
}

}  // namespace links
