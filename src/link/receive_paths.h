#pragma once
#include <array>
#include <functional>
#include <string>

#include "link/api_frame.h"
#include "link/api_frame_codec.h"
#include "link/byte_sniffer.h"
#include "link/port_id.h"
#include "link/sync_line_parser.h"
#include "link/wired_line_parser.h"
#include "link/wired_record.h"
#include "link/wired_unit.h"
#include "platform/clock.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"
#include "platform/unit_types.h"

namespace links {

// The received-characters callbacks of port A and port B. Radio adapters' bytes go through a
// frame decoder of their own port; wired units' bytes answer the connect handshake and, once
// a unit streams, become the same receive-packet frames a radio unit would send.
class ReceivePaths {
  public:
    ReceivePaths(platform::SerialPorts& ports, platform::Panel& panel, platform::Clock& clock,
                 const platform::Session& session, LinkState& links);

    // A pop-up for the operator (the window) or a line on the log (headless); Host sets it.
    std::function<void(const std::string& title, const std::string& text)> tellOperator;

    // Where complete frames go, and the raw capture file; both may be absent.
    void setFrameSink(FrameSink* sink) { sink_ = sink; }
    void setRawCapture(RawCapture* capture) { capture_ = capture; }

    void ComCallback(int number) { receive(PortId::A, number); }
    void ComCallback_B(int number) { receive(PortId::B, number); }

    // Bytes as the callback of port p takes them (tests and fuzzing feed bytes here).
    void takeBytes(PortId p, std::span<const std::uint8_t> bytes);
    void takeByte(PortId p, std::uint8_t byte) { takeBytes(p, std::span(&byte, 1)); }

    const WiredUnit& wiredUnit(PortId p) const { return rx(p).unit; }
    double SMI_LastData(PortId p) const { return rx(p).lastPressure; }

    // Records that came on port p but were not what their format allows: dropped, counted
    // and shown beside the port. The data service hands in what it drops of the radio frames.
    long droppedRecords(PortId p) const { return rx(p).dropped; }
    void noiseDropped(FrameSource source);
    // Bytes taken from port p since the program started; a silent port stops counting.
    std::uint64_t bytesReceived(PortId p) const { return rx(p).received; }

    // What came on a port since the program started, for the link health display.
    struct Counters {
        std::uint64_t bytes = 0;
        // Frames (radio) or lines (wired) that were what they should be: handshake replies,
        // records, adapter answers.
        std::uint64_t goodFrames = 0;
        std::uint64_t badChecksums = 0, badLengths = 0;  // radio frames thrown away
        std::uint64_t noise = 0;                         // records dropped as noise
        std::uint64_t records = 0;                       // unit messages handed on
    };
    Counters counters(PortId p) const;
    // The port has just been opened: its figures count from here.
    void portOpened(PortId p);
    const Counters& countersAtOpen(PortId p) const { return rx(p).atOpen; }
    double openedMs(PortId p) const { return rx(p).openedMs; }
    // While on, a sample of port p's bytes is kept to tell what they look like (a port that
    // gives no valid data); switching it on starts a new sample.
    void sniff(PortId p, bool on);
    ByteLook looksLike(PortId p) const { return rx(p).sniffer.look(); }

    // The most one callback takes from its port. The port layer calls again for the rest, so
    // that a backlog never holds the program's thread (timers, a stop request) for long.
    static constexpr int kBytesPerCall = 64 * 1024;

  private:
    struct PortRx {
        explicit PortRx(FrameSource s) : decoder(s) { synth.source = s; }
        FrameDecoder decoder;
        WiredLineParser wired;
        SyncLineParser sync;
        WiredUnit unit;
        RxFrame synth;
        int sampleCounter = 0;
        double lastPressure = 0;
        // The record line being received, for the port's received-text display.
        std::array<char, 48> shown{};
        std::size_t shownLength = 0;
        long dropped = 0;
        bool lineDropped = false;  // the wired record line being received was counted already
        bool lineTemperature = false;  // it carried a temperature
        bool lineSample = false;       // its sample went out (or it was dropped)
        std::uint64_t received = 0;
        int syncChannels = 0;       // readings per line of the streaming synchronizer, 0 = not yet
        std::string lengthsWarnedFor;  // the channels without a length the operator was told of
        std::uint64_t goodFrames = 0;
        std::uint64_t records = 0;
        bool sniffing = false;
        ByteSniffer sniffer;
        Counters atOpen{};
        double openedMs = 0;
    };
    PortRx& rx(PortId p) { return rx_[static_cast<std::size_t>(p)]; }
    const PortRx& rx(PortId p) const { return rx_[static_cast<std::size_t>(p)]; }

    void receive(PortId p, int number);
    void radioBytes(PortId p, std::span<const std::uint8_t> bytes);
    void wiredByte(PortId p, std::uint8_t byte);
    void syncByte(PortId p, std::uint8_t byte);
    void blockReceived(PortId p);
    void wiredSample(PortId p, long reading);
    void wiredLineEnd(PortId p);
    void sendTemperature(PortId p, long counts);
    void showRecordLine(PortId p, std::uint8_t byte);
    void syncData(PortId p, const SyncReadings& readings);
    bool syncLineIsData(PortId p, const SyncReadings& readings);
    void warnIfLengthsUnset(PortId p, int channels);
    void dropNoise(PortId p);
    void dateAndTime(PortId p, int device, std::uint64_t address);
    void send(PortId p, std::uint64_t address, int device, std::string_view text, int scale = 0);

    platform::SerialPorts& ports_;
    platform::Panel& panel_;
    platform::Clock& clock_;
    const platform::Session& session_;
    LinkState& links_;
    FrameSink* sink_ = nullptr;
    RawCapture* capture_ = nullptr;
    std::array<PortRx, 2> rx_{PortRx(FrameSource::PortA), PortRx(FrameSource::PortB)};
};

}  // namespace links
