"""What the soak scripts share: reading the radio adapter's frames out of a byte log, and a
process's memory and CPU from /proc."""
import os

TICK = os.sysconf("SC_CLK_TCK")


def frames(data):
    """Frame data of every complete frame with a good checksum (API mode 2, escaped)."""
    out, i, n = [], 0, len(data)
    while i < n:
        if data[i] != 0x7E:
            i += 1
            continue
        j, body, esc = i + 1, bytearray(), False
        while j < n and data[j] != 0x7E:
            b = data[j]
            j += 1
            if b == 0x7D and not esc:
                esc = True
                continue
            body.append(b ^ 0x20 if esc else b)
            esc = False
        if len(body) >= 3:
            length = body[0] << 8 | body[1]
            if len(body) >= length + 3 and (sum(body[2:2 + length]) + body[2 + length]) & 0xFF == 0xFF:
                out.append(bytes(body[2:2 + length]))
        i = j
    return out


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK
