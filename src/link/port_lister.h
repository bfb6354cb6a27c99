#pragma once
#include <map>
#include <string>

#include "platform/panel.h"
#include "platform/serial_ports.h"

namespace links {

// Fills a port ring with the computer's serial ports and remembers their names, so that a
// message about a port can name it.
class PortLister {
  public:
    PortLister(platform::SerialPorts& ports, platform::Panel& panel)
        : ports_(ports), panel_(panel) {}

    // "Select a serial port" (value 0) and one item per port. -1 when the ports cannot be listed;
    // the ring then keeps its items.
    int fill(platform::Ctl ring);
    // A port chosen by its path that the system's list does not show (a pseudo-terminal):
    // messages about it name that path.
    void remember(int number, const std::string& path) {
        names_[number] = path;
        paths_[number] = path;
    }
    // The port's label as last listed, or its number.
    std::string nameOf(int number) const;
    // The path a port was chosen by (remember()); "" for a listed port.
    std::string pathOf(int number) const;

  private:
    platform::SerialPorts& ports_;
    platform::Panel& panel_;
    std::map<int, std::string> names_;
    std::map<int, std::string> paths_;
};

}  // namespace links
