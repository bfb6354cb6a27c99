#include "pty_bridge.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tools {

namespace {
void writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}
}  // namespace

bool PtyBridge::open() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error_ = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(master_);
    if (!name) {
        error_ = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    path_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        error_ = "cannot open " + path_ + ": " + std::strerror(errno);
        return false;
    }
    // Raw line: every byte passes unchanged in both directions.
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
}

PtyBridge::~PtyBridge() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

void PtyBridge::run(sim::SimDevice& device, const volatile bool& stop,
                    const std::function<platform::AbsTime()>& now) {
    std::vector<std::uint8_t> in(4096);
    while (!stop) {
        pollfd p{master_, POLLIN, 0};
        const int ready = poll(&p, 1, 10);
        // The device's time is brought up to now before it hears the bytes, so that what they
        // say about time (a clock sync) meets the device at the moment they arrive.
        const auto catchUp = [&] {
            const double ms = (now() - device.now()) * 1000.0;
            if (ms > 0) device.advance(ms);
        };
        if (ready > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(master_, in.data(), in.size());
            catchUp();
            if (n > 0) device.fromComputer(std::span(in.data(), static_cast<std::size_t>(n)));
        }
        catchUp();
        for (const std::string& line : device.takeNotes()) {
            std::fprintf(stderr, "fathomsim: %s\n", line.c_str());
            std::fflush(stderr);
        }
        const std::vector<std::uint8_t> out = device.takeOutput();
        // A line that delivers every byte on its own: one write each, a little apart.
        const bool oneByOne = device.variant().byteByByte;
        std::size_t done = 0;
        while (done < out.size()) {
            if (oneByOne && done > 0) usleep(100);
            const ssize_t n =
                write(master_, out.data() + done, oneByOne ? 1 : out.size() - done);
            if (n <= 0) break;  // line full: the rest is lost
            if (log_ >= 0) writeAll(log_, out.data() + done, static_cast<std::size_t>(n));
            done += static_cast<std::size_t>(n);
        }
    }
}

}  // namespace tools
