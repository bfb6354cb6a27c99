#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "chart/chart_state.h"
#include "config/config_state.h"
#include "link/api_frame.h"
#include "live/burst_decoder.h"
#include "live/device_table.h"
#include "live/display_lines.h"
#include "live/pan_id_responses.h"
#include "live/recorder.h"
#include "live/reply_lines.h"
#include "platform/clock.h"
#include "platform/unit_types.h"

namespace live {

// What the data service hands on to rooms that own the rest of the work. Each is optional;
// an unset hook does nothing.
struct DataServiceHooks {
    // A unit's sample rate changed: the clock synchroniser speeds up (FastSyncSecTimeout).
    std::function<void()> startFastSync;
    // True when a clock sync is armed (AutoWaitSync) for this line (AutoSyncLoc).
    std::function<bool(int line)> autoWaitSyncFor;
    // Sends the sync command to the unit and clears AutoWaitSync; RxSecSync holds the two
    // separator characters.
    std::function<void(std::uint64_t address, const std::array<char, 3>& RxSecSync)>
        AutoSyncFathomrodXB;
    // The configuration reply in RxChars belongs to line (-1: the unit has no entry).
    std::function<void(int line)> RxConfigData;
    // Device number shown on the configuration tab (the unit being configured).
    std::function<int()> configDeviceNumber;
    // Chart: a burst (WorkValue, SampleCount values) or one continuous sample of line.
    std::function<void(int line)> PlotData;
    std::function<void(int line)> PlotContData;
    // The frame has been handled: the playback reader may feed the next (FileRxStatus := 0).
    std::function<void()> frameHandled;
    // A unit's message gave its clock's time (the line's date and time fields), so many
    // seconds before its latest sample.
    std::function<void(int line, double lastSampleAfter)> unitTimeSeen;
    // A unit message that was not what its format allows was dropped (counted by its port).
    std::function<void(links::FrameSource)> noiseDropped;
};

// Classifies every complete frame and places unit messages in their device entries, from
// where they are shown, recorded, streamed and charted.
class DataService : public links::FrameSink {
public:
    DataService(DeviceTable& table, DisplayLines& display, Recorder& recorder,
                PanIdResponses& panIds, const platform::Session& session,
                const chart::ChartCtr& chart, const config::ConfigState& config,
                platform::Clock& clock);

    void RxDataService(const links::RxFrame& frame, int scale) override;

    DataServiceHooks hooks;

    std::array<char, 1024> RxChars{};  // the latest configuration reply, NUL-terminated
    // Its length: a flash-card block may hold NUL bytes of its own.
    int RxCharsLength = 0;
    std::array<float, kMaxBurstValues> WorkValue{};
    std::array<std::uint8_t, kRawBurstBytes> WorkASCIIValue{};
    std::array<char, 3> RxSecSync{};

private:
    void receivePacket(const MessageText& frame, int scale, links::FrameSource from);
    void textMessage(int line, const MessageText& frame, int scale, links::FrameSource from);
    void burstMessage(int line, const MessageText& frame, links::FrameSource from);
    int configLine(std::uint64_t address) const;
    void configReplies(const MessageText& frame);
    void configReply(int line, std::string_view text);
    void clockSyncTrigger(int line, std::uint64_t address, const MessageText& frame);
    void setSampleRate(OutputLine& e, int rate);
    float sampleValue(const MessageText& frame, int scale) const;
    void recordOnly(const MessageText& frame, int scale, links::FrameSource from);
    void record(const OutputLine& e, const MessageText& frame, int values, links::FrameSource from);

    DeviceTable& table_;
    DisplayLines& display_;
    Recorder& recorder_;
    PanIdResponses& panIds_;
    const platform::Session& session_;
    const chart::ChartCtr& chart_;
    const config::ConfigState& config_;
    platform::Clock& clock_;
    ReplyLines replies_;
};

}  // namespace live
