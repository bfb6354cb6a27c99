// The real serial ports over a pseudo-terminal pair: the test holds the master end, the port
// layer opens the slave end as it would open a USB serial adapter.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <string>

#include "qt/qt_serial_ports.h"

namespace {

struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave = ptsname(master);
    }
    ~Pty() { closeMaster(); }
    void closeMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    void send(const std::string& s) const {
        ASSERT_EQ(::write(master, s.data(), s.size()), static_cast<ssize_t>(s.size()));
    }
    // What the port layer wrote, once `count` bytes are there (or the wait runs out).
    std::string receive(std::size_t count) const {
        std::string got;
        (void)QTest::qWaitFor(
            [&] {
                pollfd pfd{master, POLLIN, 0};
                while (got.size() < count && ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN)) {
                    char buf[256];
                    ssize_t n = ::read(master, buf, sizeof buf);
                    if (n <= 0) break;
                    got.append(buf, static_cast<std::size_t>(n));
                }
                return got.size() >= count;
            },
            5000);
        return got;
    }
};

struct PtyPort : ::testing::Test {
    Pty pty;
    qtui::QtSerialPorts ports;
    int number = 0;
    std::string received;
    int callbacks = 0;
    std::vector<std::pair<int, std::string>> lost;

    void SetUp() override {
        ASSERT_FALSE(pty.slave.empty());
        ports.includePath(pty.slave);
        number = ports.numberForPath(pty.slave);
        ASSERT_GT(number, 0);
        ports.onLost([this](int n, const std::string& reason) { lost.emplace_back(n, reason); });
        platform::PortStatus s = ports.open(number, {.baud = 115200});
        ASSERT_TRUE(s.ok()) << s.message;
        ports.onReceive(number, [this](int n) {
            ++callbacks;
            while (ports.inputLength(n) != 0) received += static_cast<char>(ports.readByte(n));
        });
    }
};

TEST_F(PtyPort, ListsTheIncludedPathAndKeepsItsNumber) {
    std::vector<platform::PortInfo> list;
    ASSERT_TRUE(ports.list(list).ok());
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const auto& p) { return p.systemPath == pty.slave; });
    ASSERT_NE(it, list.end());
    EXPECT_EQ(it->number, number);
    EXPECT_EQ(ports.numberForPath(pty.slave), number);
    EXPECT_FALSE(ports.open(number, {}).ok());  // already open
    EXPECT_FALSE(ports.open(ports.numberForPath("/dev/no-such-port"), {}).ok());
}

TEST_F(PtyPort, BytesGoBothWaysAndEveryByteIsTraced) {
    std::string traceOut, traceIn;
    ports.setTrace([&](const std::string&, bool out, std::span<const std::uint8_t> b) {
        (out ? traceOut : traceIn).append(b.begin(), b.end());
    });
    ports.writeByte(number, 's');
    const std::string block = "ROK,\x7E\x7D\x11\x13\x00\xFF,";
    ports.write(number,
                std::span(reinterpret_cast<const std::uint8_t*>(block.data()), block.size()));
    EXPECT_EQ(pty.receive(1 + block.size()), "s" + block);

    pty.send(std::string("2048\r\n\x00\xFF", 8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= 8; }, 5000));
    EXPECT_EQ(received, std::string("2048\r\n\x00\xFF", 8));
    EXPECT_GE(callbacks, 1);
    EXPECT_EQ(traceOut, "s" + block);
    EXPECT_EQ(traceIn, received);
}

TEST_F(PtyPort, NothingIsLostWhileTheProgramThreadIsBlocked) {
    // The program's thread runs no events while it writes 38 kB; the port keeps reading, or
    // the pty would fill and the writes would stall.
    std::string sent;
    for (int i = 0; i < 2000; ++i) sent += "C001,D1,S04,01234\r\n";  // about 38 kB
    std::size_t off = 0;
    while (off < sent.size()) {
        ssize_t n =
            ::write(pty.master, sent.data() + off, std::min<std::size_t>(4096, sent.size() - off));
        ASSERT_GT(n, 0);
        off += static_cast<std::size_t>(n);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= sent.size(); }, 10000));
    EXPECT_EQ(received, sent);
}

TEST_F(PtyPort, APeerThatGoesAwayIsReportedLost) {
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.empty(); }, 5000));
    EXPECT_EQ(lost[0].first, number);
    EXPECT_FALSE(lost[0].second.empty());
    EXPECT_FALSE(ports.isOpen(number));
    EXPECT_EQ(ports.write(number, std::span<const std::uint8_t>()), -1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
