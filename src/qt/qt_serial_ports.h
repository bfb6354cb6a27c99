#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/serial_ports.h"

namespace qtui {

// The computer's serial ports through QtSerialPort. Each open port is served by a thread of
// its own that reads into an unbounded buffer, so nothing is lost while the program's thread
// is blocked in a wait; the received-characters callback runs on the program's thread.
class QtSerialPorts : public QObject, public platform::SerialPorts {
    Q_OBJECT
  public:
    // Called with the port's system path; received bytes are reported from the port's own thread
    // as they arrive, written bytes from the program's thread as they leave.
    using Trace =
        std::function<void(const std::string& path, bool out, std::span<const std::uint8_t> bytes)>;

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
    std::size_t outputPending(int number) const override;
    bool drainOutput(int number, int maxMs) override;
    int readByte(int number) override;
    int read(int number, std::span<std::uint8_t> out) override;
    int inputLength(int number) const override;
    void onReceive(int number, std::function<void(int number)> callback) override;
    void onLost(std::function<void(int number, const std::string& reason)> callback) override;

    // Every byte written or received passes here (a trace of the serial traffic). Set it before
    // any port is opened.
    void setTrace(Trace trace) { trace_ = std::move(trace); }
    // A port the system does not enumerate (a pseudo-terminal, say) listed with the others.
    void includePath(const std::string& path);

  private:
    struct Port;
    Port* find(int number) const;
    void deliver(int number);
    void portGone(int number, const QString& reason);

    std::vector<std::string> paths_;  // number n is paths_[n - 1]
    std::vector<std::string> extraPaths_;
    std::map<int, std::unique_ptr<Port>> open_;
    std::function<void(int, const std::string&)> lost_;
    Trace trace_;
};

}  // namespace qtui
