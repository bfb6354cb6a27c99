// Arbitrary bytes as a wired unit's configuration block, read as each unit type reads it. The
// decoder must stay inside the text whatever its length; what it decodes, encoded again, must
// be a well-formed block with a correct checksum that decodes to the same settings.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "config/wired_block.h"

namespace {

bool wellFormed(const config::BlockText& t, int n, int type) {
    if (n != config::kBlockChars || t[config::kBlockChars] != '\0') return false;
    const bool logger = config::hasLoggerLayout(type);
    for (int k = 0; k < config::kBlockFields; ++k) {
        const char hi = t[static_cast<std::size_t>(3 * k)],
                   lo = t[static_cast<std::size_t>(3 * k + 1)];
        if (t[static_cast<std::size_t>(3 * k + 2)] != ',') return false;
        const bool decimal = logger && k >= 11 && k <= 22;
        auto ok = [&](char c) {
            return (c >= '0' && c <= '9') || (!decimal && c >= 'A' && c <= 'F');
        };
        // The head's two characters go out as the unit sent them.
        if (k != 0 && (!ok(hi) || !ok(lo))) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte chooses the staff length the handshake would have found.
    const float length = static_cast<float>(data[0]) * 100.0f;
    const std::span<const std::uint8_t> raw(data + 1, size - 1);
    (void)config::blockChecksumMatches(raw);
    for (int type : {3, 4, 5, 6, 9}) {
        config::WiredConfig r;
        r.staffLength = length;
        config::decodeBlock(raw, type, r);
        r.gain = static_cast<float>(config::blockWord(raw, 3));
        r.offset = static_cast<float>(config::blockWord(raw, 5));
        config::BlockText out{};
        const int n = config::encodeBlock(r, type, out);
        if (!wellFormed(out, n, type)) std::abort();
        const std::span<const std::uint8_t> sent(reinterpret_cast<const std::uint8_t*>(out.data()),
                                                 static_cast<std::size_t>(n));
        if (!config::blockChecksumMatches(sent)) std::abort();
        config::WiredConfig back;
        back.staffLength = length;
        config::decodeBlock(sent, type, back);
        if (back.sampleRate != r.sampleRate || back.modeFlags != r.modeFlags ||
            back.configByte1 != r.configByte1 || back.configByte2 != r.configByte2 ||
            config::blockWord(sent, 3) != static_cast<int>(r.gain) ||
            config::blockWord(sent, 5) != static_cast<int>(r.offset))
            std::abort();
        if (config::hasLoggerLayout(type) &&
            (back.burstLength != r.burstLength || back.fileInterval != r.fileInterval ||
             back.loggerByte != r.loggerByte))
            std::abort();
        if (type == 3 && back.alarmFlags != r.alarmFlags) std::abort();
    }
    return 0;
}
