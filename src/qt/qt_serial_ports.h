#pragma once
#include <QObject>

#include "platform/serial_ports.h"

namespace qtui {

// The computer's serial ports through QtSerialPort.
class QtSerialPorts : public QObject, public platform::SerialPorts {
    Q_OBJECT
public:
    explicit QtSerialPorts(QObject* parent = nullptr);
    ~QtSerialPorts() override;

    platform::PortStatus list(std::vector<platform::PortInfo>& out) override;
    int numberForPath(const std::string& path) override;
    platform::PortStatus open(int number, const platform::SerialSettings& settings) override;
    void close(int number) override;
    bool isOpen(int number) const override;
    int writeByte(int number, std::uint8_t byte) override;
    int write(int number, std::span<const std::uint8_t> bytes) override;
    void flushOutput(int number) override;
    int readByte(int number) override;
    int inputLength(int number) const override;
    void onReceive(int number, std::function<void(int number)> callback) override;
    void onLost(std::function<void(int number, const std::string& reason)> callback) override;

private:
    std::vector<std::string> paths_;  // number n is paths_[n - 1]
};

}  // namespace qtui
