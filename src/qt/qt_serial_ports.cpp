#include "qt/qt_serial_ports.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>

namespace qtui {

namespace {

QSerialPort::Parity toQt(platform::Parity p) {
    switch (p) {
        case platform::Parity::Odd:
            return QSerialPort::OddParity;
        case platform::Parity::Even:
            return QSerialPort::EvenParity;
        default:
            return QSerialPort::NoParity;
    }
}

constexpr int kFailuresBeforeLost = 3;

}  // namespace

// One open port: a QSerialPort living in its own thread, and the bytes it has read.
struct QtSerialPorts::Port {
    std::string path;
    QThread thread;
    QObject* anchor = nullptr;      // lives in `thread`: the context of the port's work
    QSerialPort* serial = nullptr;  // created, used and deleted in `thread` only
    mutable std::mutex mutex;
    std::deque<std::uint8_t> input;
    std::atomic<bool> notifyPending{false};
    std::function<void(int)> callback;
    std::atomic<std::int64_t> pendingOut{0};  // written, not yet handed to the system
    int failures = 0;   // read or write errors since the last byte read (port thread only)
    bool gone = false;  // reported lost (port thread only)

    // Runs fn in the port's thread; blocking waits for it to finish.
    template <typename Fn>
    void run(Fn fn, bool blocking) {
        QMetaObject::invokeMethod(anchor, std::move(fn),
                                  blocking ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
    }
};

QtSerialPorts::QtSerialPorts(QObject* parent) : QObject(parent) {}

QtSerialPorts::~QtSerialPorts() {
    while (!open_.empty()) close(open_.begin()->first);
}

platform::PortStatus QtSerialPorts::list(std::vector<platform::PortInfo>& out) {
    out.clear();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        std::string path = info.systemLocation().toStdString();
        std::string label = info.portName().toStdString();
        if (!info.description().isEmpty()) label += " (" + info.description().toStdString() + ")";
        out.push_back({label, numberForPath(path), path});
    }
    for (const std::string& path : extraPaths_) {
        if (std::none_of(out.begin(), out.end(),
                         [&](const auto& p) { return p.systemPath == path; })) {
            out.push_back({path, numberForPath(path), path});
        }
    }
    return {};
}

void QtSerialPorts::includePath(const std::string& path) {
    if (std::find(extraPaths_.begin(), extraPaths_.end(), path) == extraPaths_.end()) {
        extraPaths_.push_back(path);
    }
}

int QtSerialPorts::numberForPath(const std::string& path) {
    if (path.empty()) return 0;
    auto it = std::find(paths_.begin(), paths_.end(), path);
    if (it != paths_.end()) return static_cast<int>(it - paths_.begin()) + 1;
    paths_.push_back(path);
    return static_cast<int>(paths_.size());
}

QtSerialPorts::Port* QtSerialPorts::find(int number) const {
    auto it = open_.find(number);
    return it == open_.end() ? nullptr : it->second.get();
}

platform::PortStatus QtSerialPorts::open(int number, const platform::SerialSettings& settings) {
    if (number <= 0 || number > static_cast<int>(paths_.size())) {
        return {-1, "serial port " + std::to_string(number) + " is not known"};
    }
    const std::string path = paths_[static_cast<std::size_t>(number - 1)];
    if (find(number)) return {-1, path + " is already open"};

    auto port = std::make_unique<Port>();
    Port* p = port.get();
    p->path = path;
    p->anchor = new QObject;
    p->anchor->moveToThread(&p->thread);
    QObject::connect(&p->thread, &QThread::finished, p->anchor, &QObject::deleteLater);
    p->thread.setObjectName(QString::fromStdString("serial " + path));
    p->thread.start();

    QString error;
    p->run(
        [this, p, number, &settings, &error] {
            auto* serial = new QSerialPort(QString::fromStdString(p->path));
            serial->setBaudRate(settings.baud);
            serial->setParity(toQt(settings.parity));
            serial->setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
            serial->setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop
                                                       : QSerialPort::OneStop);
            serial->setFlowControl(QSerialPort::NoFlowControl);
            if (!serial->open(QIODevice::ReadWrite)) {
                error = serial->errorString();
                delete serial;
                return;
            }
            p->serial = serial;
            QObject::connect(serial, &QSerialPort::bytesWritten, serial,
                             [p](qint64 n) { p->pendingOut -= n; });
            QObject::connect(serial, &QSerialPort::readyRead, serial, [this, p, serial, number] {
                const QByteArray data = serial->readAll();
                if (data.isEmpty()) return;
                p->failures = 0;
                if (trace_) {
                    trace_(p->path, false,
                           std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                     static_cast<std::size_t>(data.size())));
                }
                {
                    std::lock_guard lock(p->mutex);
                    p->input.insert(p->input.end(), data.begin(), data.end());
                }
                if (!p->notifyPending.exchange(true)) {
                    QMetaObject::invokeMethod(
                        this, [this, number] { deliver(number); }, Qt::QueuedConnection);
                }
            });
            QObject::connect(
                serial, &QSerialPort::errorOccurred, serial,
                [this, p, serial, number](QSerialPort::SerialPortError e) {
                    // A removed adapter shows as a resource error; a pseudo-terminal whose
                    // other end closed shows as a read error on a device that hung up.
                    // A removed adapter shows as a resource error. A pseudo-terminal whose
                    // other end closed shows as read errors ("Inappropriate ioctl") and its
                    // device node goes away. A line that keeps failing reads without a byte
                    // in between is no use either, and would keep the port's thread busy.
                    if (e == QSerialPort::ReadError || e == QSerialPort::WriteError) ++p->failures;
                    const bool gone =
                        e == QSerialPort::ResourceError ||
                        (p->failures > 0 && !QFileInfo::exists(QString::fromStdString(p->path))) ||
                        p->failures >= kFailuresBeforeLost;
                    if (!gone || p->gone) return;
                    p->gone = true;
                    const QString reason = serial->errorString();
                    // Closed once the port has finished emitting: closing inside its own
                    // error signal would free the notifier that is emitting it.
                    QMetaObject::invokeMethod(
                        serial, [serial] { serial->close(); }, Qt::QueuedConnection);
                    QMetaObject::invokeMethod(
                        this, [this, number, reason] { portGone(number, reason); },
                        Qt::QueuedConnection);
                });
        },
        true);
    if (!p->serial) {
        p->thread.quit();
        p->thread.wait();
        return {-1, path + ": " + error.toStdString()};
    }
    open_[number] = std::move(port);
    return {};
}

void QtSerialPorts::close(int number) {
    auto it = open_.find(number);
    if (it == open_.end()) return;
    Port* p = it->second.get();
    p->run(
        [p] {
            if (p->serial) p->serial->close();
            delete p->serial;
            p->serial = nullptr;
        },
        true);
    p->thread.quit();
    p->thread.wait();
    open_.erase(it);
}

bool QtSerialPorts::isOpen(int number) const { return find(number) != nullptr; }

int QtSerialPorts::writeByte(int number, std::uint8_t byte) {
    return write(number, std::span<const std::uint8_t>(&byte, 1));
}

int QtSerialPorts::write(int number, std::span<const std::uint8_t> bytes) {
    Port* p = find(number);
    if (!p) return -1;
    if (trace_) trace_(p->path, true, bytes);
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    p->pendingOut += static_cast<std::int64_t>(bytes.size());
    p->run(
        [p, data] {
            if (!p->serial || p->serial->write(data) < 0) p->pendingOut -= data.size();
        },
        false);
    return static_cast<int>(bytes.size());
}

void QtSerialPorts::flushOutput(int number) {
    Port* p = find(number);
    if (!p) return;
    p->run(
        [p] {
            if (!p->serial) return;
            p->pendingOut -= p->serial->bytesToWrite();
            p->serial->clear(QSerialPort::Output);
        },
        false);
}

std::size_t QtSerialPorts::outputPending(int number) const {
    const Port* p = find(number);
    return p ? static_cast<std::size_t>(std::max<std::int64_t>(0, p->pendingOut.load())) : 0;
}

bool QtSerialPorts::drainOutput(int number, int maxMs) {
    Port* p = find(number);
    if (!p) return true;
    bool drained = false;
    p->run(
        [p, maxMs, &drained] {
            if (!p->serial) return;
            // QSerialPort holds what was written until its thread's event loop passes it to
            // the system; here that loop is this thread, waiting for it in place.
            const QDeadlineTimer deadline(maxMs);
            while (p->serial->bytesToWrite() > 0 && !deadline.hasExpired()) {
                const auto left = static_cast<int>(std::max<qint64>(1, deadline.remainingTime()));
                if (!p->serial->waitForBytesWritten(left)) break;
            }
            drained = p->serial->bytesToWrite() == 0;
        },
        true);
    return drained;
}

int QtSerialPorts::readByte(int number) {
    Port* p = find(number);
    if (!p) return -1;
    std::uint8_t b = 0;
    {
        std::lock_guard lock(p->mutex);
        if (p->input.empty()) return -1;
        b = p->input.front();
        p->input.pop_front();
    }
    return b;
}

int QtSerialPorts::read(int number, std::span<std::uint8_t> out) {
    Port* p = find(number);
    if (!p) return 0;
    std::lock_guard lock(p->mutex);
    const std::size_t n = std::min(out.size(), p->input.size());
    std::copy_n(p->input.begin(), n, out.begin());
    p->input.erase(p->input.begin(), p->input.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
}

int QtSerialPorts::inputLength(int number) const {
    Port* p = find(number);
    if (!p) return 0;
    std::lock_guard lock(p->mutex);
    return static_cast<int>(p->input.size());
}

void QtSerialPorts::onReceive(int number, std::function<void(int)> callback) {
    Port* p = find(number);
    if (!p) return;
    p->callback = std::move(callback);
    // Bytes that came before the callback was installed are delivered now.
    if (inputLength(number) > 0 && !p->notifyPending.exchange(true)) {
        QMetaObject::invokeMethod(
            this, [this, number] { deliver(number); }, Qt::QueuedConnection);
    }
}

void QtSerialPorts::onLost(std::function<void(int, const std::string&)> callback) {
    lost_ = std::move(callback);
}

void QtSerialPorts::deliver(int number) {
    Port* p = find(number);
    if (!p) return;
    p->notifyPending = false;
    // The callback may close the port; nothing of it is touched afterwards.
    if (p->callback) {
        auto callback = p->callback;
        callback(number);
    }
    // What the callback left goes in a later turn of the event loop, after the timers and
    // events that came meanwhile.
    p = find(number);
    if (p && inputLength(number) > 0 && !p->notifyPending.exchange(true)) {
        QMetaObject::invokeMethod(
            this, [this, number] { deliver(number); }, Qt::QueuedConnection);
    }
}

void QtSerialPorts::portGone(int number, const QString& reason) {
    if (!find(number)) return;
    close(number);
    if (lost_) lost_(number, reason.isEmpty() ? "the device went away" : reason.toStdString());
}

}  // namespace qtui
