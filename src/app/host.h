#pragma once
#include <functional>

#include "analysis/wave_analysis.h"
#include "app/export_menu.h"
#include "app/level_labels.h"
#include "app/shell.h"
#include "app/unit_type_change.h"
#include "calibration/calibration.h"
#include "chart/chart.h"
#include "chart/chart_state.h"
#include "chart/playback.h"
#include "clock/clock_sync.h"
#include "config/command_sender.h"
#include "config/config_display.h"
#include "config/config_scan.h"
#include "config/config_state.h"
#include "config/panel/unit_settings.h"
#include "config/panel/wired_display.h"
#include "config/panel/wired_settings.h"
#include "config/reply_parser.h"
#include "config/wired_writer.h"
#include "link/api_frame.h"
#include "link/api_frame_sender.h"
#include "link/link_health.h"
#include "link/link_hooks.h"
#include "link/link_state.h"
#include "link/output_port.h"
#include "link/port_lister.h"
#include "link/port_manager.h"
#include "link/receive_paths.h"
#include "link/wired_handshake.h"
#include "live/data_service.h"
#include "live/device_table.h"
#include "live/display_lines.h"
#include "live/display_timer.h"
#include "live/frame_capture.h"
#include "live/pan_id_responses.h"
#include "live/recorder.h"
#include "live/zero_display.h"
#include "network/local_pan_id.h"
#include "network/remote_pan_ids.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"
#include "platform/unit_types.h"
#include "station/station.h"
#include "upload/flash_upload.h"

namespace app {

// The composition root: owns one of each subsystem, builds them in dependency order and wires
// the control and timer callbacks. The only place that knows all of them.
class Host {
  public:
    Host(platform::Panel& panel, platform::Dialogs& dialogs, platform::SerialPorts& ports,
         platform::Clock& clock, std::function<void()> quitUserInterface);
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Start values of the program, set once before the window is shown.
    void Initialize();
    // What the operator does first, for a start from the command line: choose the unit type,
    // and choose a port in a ring by its system path (added to the ring when the port list
    // does not show it, as for a pseudo-terminal). True when the port is open afterwards.
    void chooseUnitType(int unitType);
    bool choosePort(platform::Ctl ring, const std::string& path);
    bool portOpen(platform::Ctl ring) const;
    // The system path of the port open in a ring ("/dev/ttyUSB0", "SIM1"); "" when none.
    std::string portPath(platform::Ctl ring);
    // Selects a unit on the configuration tab by its device number, as the operator types it;
    // true when a scan of it starts (the unit has reported, or 255 names a data logger). For
    // wired units 1 and 2 name the units on port A and port B, which are then configured.
    bool selectDevice(int device);
    // Bytes that arrived on the port of a ring and were not read yet (a backlog at a stop).
    int unreadInput(platform::Ctl ring) const;

    // The File menu's export of recordings to NetCDF, whose writer lives outside the core:
    // the menu item is shown once it is set.
    void setRecordingExport(ExportJobFactory job, ExportNameFactory name) {
        exportMenu_.setExporter(std::move(job), std::move(name));
    }
    ExportMenu& exportMenu() { return exportMenu_; }

    // Runs after the event loop has ended.
    void exitStep() { shell_.exitStep(); }

    platform::Panel& panel() { return panel_; }
    platform::Session& session() { return session_; }
    links::LinkState& links() { return links_; }
    Shell& shell() { return shell_; }
    config::ConfigDisplay& configDisplay() { return configDisplay_; }
    config::ConfigState& configState() { return configState_; }
    chart::ChartCtr& chartCtr() { return ChartCtr_; }
    live::DeviceTable& deviceTable() { return deviceTable_; }
    live::DisplayLines& displayLines() { return displayLines_; }
    live::DataService& dataService() { return dataService_; }
    live::Recorder& recorder() { return recorder_; }
    live::FrameCapture& frameCapture() { return frameCapture_; }
    live::PanIdResponses& panIdResponses() { return panIds_; }
    live::DisplayTimer& displayTimer() { return displayTimer_; }
    chart::Chart& chart() { return chart_; }
    analysis::WaveAnalysis& waveAnalysis() { return analysis_; }
    chart::Playback& playback() { return playback_; }
    config::ConfigScan& configScan() { return configScan_; }
    config::ReplyParser& replyParser() { return replyParser_; }
    config::CommandSender& configSender() { return configSender_; }
    config::UnitSettings& unitSettings() { return unitSettings_; }
    config::WiredWriter& wiredWriter() { return wiredWriter_; }
    config::WiredDisplay& wiredDisplay() { return wiredDisplay_; }
    clocks::ClockSync& clockSync() { return clockSync_; }
    calibration::Calibration& calibration() { return calibration_; }
    upload::FlashUpload& flashUpload() { return flashUpload_; }
    station::Station& station() { return station_; }

    // Serial links.
    links::LinkHooks& linkHooks() { return linkHooks_; }
    links::ApiFrameWriter& apiFrames() { return apiFrames_; }
    links::ReceivePaths& receivePaths() { return receivePaths_; }
    links::LinkHealth& linkHealth() { return linkHealth_; }
    links::WiredHandshake& wiredHandshake() { return wiredHandshake_; }
    links::PortManager& portManager() { return portManager_; }
    links::OutputPort& outputPort() { return outputPort_; }

  private:
    // The number of the port open in a ring; 0 when none.
    int portNumber(platform::Ctl ring) const;
    // Runs action when the control is committed.
    void onCommit(platform::Ctl id, std::function<void()> action);
    void wireCallbacks();
    void wireLinks();
    void wireLive();
    void wireChart();
    void wireAnalysis();
    void wirePlayback();
    void wireConfig();
    void wireSettings();
    void wireWired();
    void wireClock();
    // Routes every event of the listed controls to a room.
    void route(std::span<const platform::Ctl> controls,
               std::function<void(platform::Ctl, platform::Event)> to);
    void wireUpload();
    void wireStation();
    // The radio scan runs only with a radio port open and no file playing.
    void allowRadioScan(bool allow);
    void showHelp(platform::Ctl id);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::SerialPorts& ports_;
    platform::Session session_;
    links::LinkState links_;
    config::ConfigState configState_;
    chart::ChartCtr ChartCtr_;
    config::ConfigDisplay configDisplay_;
    Shell shell_;

    // Serial links, in dependency order.
    links::LinkHooks linkHooks_;
    links::ApiFrameSender apiFrames_;
    links::PortLister portLister_;
    links::ReceivePaths receivePaths_;
    links::LinkHealth linkHealth_;
    links::WiredHandshake wiredHandshake_;
    links::PortManager portManager_;
    links::OutputPort outputPort_;

    // Live data: device entries, their rows, recording, capture and the data service.
    live::DeviceTable deviceTable_;
    live::DisplayLines displayLines_;
    live::Recorder recorder_;
    live::FrameCapture frameCapture_;
    live::PanIdResponses panIds_;
    live::DataService dataService_;
    live::DisplayTimer displayTimer_;
    live::ZeroDisplay zeroDisplay_;
    // The radio adapter's own PAN ID.
    network::LocalPanId localPan_;

    // The chart of the plot page, fed by the data service.
    chart::Chart chart_;

    // The analysis page, working on the chart's trace buffers.
    analysis::WaveAnalysis analysis_;
    // File playback through the same display and chart paths.
    chart::Playback playback_;
    // Recordings exported to NetCDF from the File menu.
    ExportMenu exportMenu_;

    // Reading a unit's settings: the send path, the scan and the reply parser.
    config::UploadState upload_;
    config::CommandSender configSender_;
    config::ConfigScan configScan_;
    config::ReplyParser replyParser_;
    // Writing a unit's settings.
    config::UnitSettings unitSettings_;
    // The PAN IDs of the configured unit's radio and of a data logger's coordinator.
    network::RemotePanIds remotePans_;

    // Wired units' configuration block, its display and settings; clocks; calibration.
    config::WiredWriter wiredWriter_;
    config::WiredDisplay wiredDisplay_;
    config::WiredSettings wiredSettings_;
    clocks::ClockSync clockSync_;
    calibration::Calibration calibration_;
    // Files copied off a data logger's flash card.
    upload::FlashUpload flashUpload_;
    // The unit type ring: asks before it closes ports or cuts files.
    UnitTypeChange unitTypeChange_;
    // The station network: records and status to an MQTT broker.
    station::Station station_;
    // Captions in the unit of the readings (bar for a Swellmeter in bar).
    LevelLabels levelLabels_;
};

}  // namespace app
