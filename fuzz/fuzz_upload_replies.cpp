// Arbitrary flash-card replies during an upload from a data logger: sizes of any value (0,
// under 100, negative, huge), blocks of any length with NULs in them, repeats, closes and
// timer ticks in any order. The upload must never divide by zero, read past the reply buffer
// or write a block once the file is closed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/host_rig.h"

namespace {

struct Rig : testing_support::HostRig {
    std::string path = "/tmp/fuzz_upload_" + std::to_string(::getpid()) + ".DAT";
    Rig() {
        host.Initialize();
        host.chooseUnitType(8);
        host.choosePort(platform::Ctl::PortARing, "/dev/ttyFUZZ");
        host.selectDevice(255);
    }
    void reply(const std::uint8_t* data, std::size_t n) {
        auto& rx = host.dataService().RxChars;
        n = n < rx.size() - 1 ? n : rx.size() - 1;
        std::memcpy(rx.data(), data, n);
        rx[n] = '\0';
        host.dataService().RxCharsLength = static_cast<int>(n);
        host.replyParser().RxConfigData(-1);
    }
};

constexpr const char* kPrefixes[] = {"$OI,", "$OO,", "$OR,", "$OA,", "$OC,", "$OF,"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    // Each record: a control byte (prefix, tick), a length byte, then that many bytes.
    rig.dialogs.fileReplies.assign(
        4, platform::FileSelection{platform::FileSelection::Status::New, rig.path});
    rig.dialogs.confirmReplies.clear();
    // The test double keeps every pop-up it was shown; across millions of inputs that is
    // the harness running out of memory, not the program.
    rig.dialogs.shown.clear();
    rig.dialogs.fileRequests.clear();
    while (size >= 2) {
        const std::uint8_t ctl = data[0];
        std::size_t n = static_cast<std::size_t>(data[1]) * 4;
        data += 2;
        size -= 2;
        if (n > size) n = size;
        std::uint8_t text[1100];
        const char* prefix = kPrefixes[ctl % 6];
        std::memcpy(text, prefix, 4);
        std::memcpy(text + 4, data, n);
        rig.reply(text, n + 4);
        if (ctl & 0x40) rig.panel.raise(platform::Ctl::UpLoadTimer, platform::Event::TimerTick);
        if (ctl & 0x80) {
            rig.panel.setValue(platform::Ctl::UpLoadFile, (ctl >> 3) & 1);
            rig.panel.raise(platform::Ctl::UpLoadFile, platform::Event::Commit);
        }
        data += n;
        size -= n;
    }
    for (auto& [number, port] : rig.ports.ports) port.written.clear();
    std::remove(rig.path.c_str());
    return 0;
}
