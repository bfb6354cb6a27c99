#include "qt/qt_serial_ports.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace qtui {

QtSerialPorts::QtSerialPorts(QObject* parent) : QObject(parent) {}
QtSerialPorts::~QtSerialPorts() = default;

platform::PortStatus QtSerialPorts::list(std::vector<platform::PortInfo>& out) {
    out.clear();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        std::string path = info.systemLocation().toStdString();
        int number = numberForPath(path);
        std::string label = info.portName().toStdString();
        if (!info.description().isEmpty()) label += " (" + info.description().toStdString() + ")";
        out.push_back({label, number, path});
    }
    return {};
}

int QtSerialPorts::numberForPath(const std::string& path) {
    auto it = std::find(paths_.begin(), paths_.end(), path);
    if (it != paths_.end()) return static_cast<int>(it - paths_.begin()) + 1;
    paths_.push_back(path);
    return static_cast<int>(paths_.size());
}

// Opening and I/O arrive with the serial link work; until then every open fails cleanly.
platform::PortStatus QtSerialPorts::open(int number, const platform::SerialSettings&) {
    return {-1, "serial port " + std::to_string(number) + " cannot be opened yet"};
}
void QtSerialPorts::close(int) {}
bool QtSerialPorts::isOpen(int) const { return false; }
int QtSerialPorts::writeByte(int, std::uint8_t) { return -1; }
int QtSerialPorts::write(int, std::span<const std::uint8_t>) { return -1; }
void QtSerialPorts::flushOutput(int) {}
int QtSerialPorts::readByte(int) { return -1; }
int QtSerialPorts::inputLength(int) const { return 0; }
void QtSerialPorts::onReceive(int, std::function<void(int)>) {}
void QtSerialPorts::onLost(std::function<void(int, const std::string&)>) {}

}  // namespace qtui
