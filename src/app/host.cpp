#include "app/host.h"

#include <cmath>
#include <cstdio>
#include <tuple>

#include "analysis/print_title.h"
#include "platform/control_table.h"

namespace app {

using platform::Ctl;
using platform::Event;
using platform::EventData;

Host::Host(platform::Panel& panel, platform::Dialogs& dialogs, platform::SerialPorts& ports,
           platform::Clock& clock, std::function<void()> quitUserInterface)
    : panel_(panel),
      dialogs_(dialogs),
      ports_(ports),
      configDisplay_(panel, dialogs, session_, configState_),
      shell_(panel, dialogs, ports, session_, links_, configDisplay_, std::move(quitUserInterface)),
      apiFrames_(ports, links_),
      portLister_(ports, panel),
      receivePaths_(ports, panel, clock, session_, links_),
      linkHealth_(panel, clock, session_, links_, receivePaths_),
      wiredHandshake_(ports, panel, clock, session_, links_, configState_, linkHooks_),
      portManager_(ports, panel, dialogs, clock, session_, links_, portLister_, receivePaths_,
                   configDisplay_, linkHooks_),
      outputPort_(ports, panel, dialogs, clock, links_, portLister_),
      displayLines_(panel, deviceTable_),
      recorder_(panel, dialogs, clock, session_, links_),
      frameCapture_(panel, dialogs, clock, recorder_),
      panIds_(panel, dialogs, apiFrames_),
      dataService_(deviceTable_, displayLines_, recorder_, panIds_, session_, ChartCtr_,
                   configState_, clock),
      displayTimer_(panel, deviceTable_, displayLines_, configState_, apiFrames_),
      zeroDisplay_(panel, deviceTable_, displayLines_),
      localPan_(panel, dialogs, clock, apiFrames_),
      chart_(panel, deviceTable_, ChartCtr_, dataService_.WorkValue),
      analysis_(panel, dialogs, chart_, ChartCtr_),
      playback_(panel, dialogs, deviceTable_, displayLines_, dataService_, ChartCtr_, chart_,
                dataService_.WorkValue),
      exportMenu_(panel, dialogs, clock),
      configSender_(panel, clock, ports, apiFrames_, links_, configState_),
      configScan_(panel, session_, configState_, links_, configSender_, deviceTable_),
      replyParser_(panel, dialogs, clock, session_, configState_, upload_, configSender_,
                   configDisplay_, deviceTable_, dataService_.RxChars),
      unitSettings_(panel, dialogs, session_, configState_, configSender_),
      remotePans_(panel, dialogs, clock, configState_, configSender_),
      wiredWriter_(ports, clock, session_, links_),
      wiredDisplay_(panel, dialogs, clock, session_, configState_, links_, receivePaths_,
                    wiredWriter_, configScan_),
      wiredSettings_(panel, dialogs, session_, configState_, wiredWriter_, configSender_),
      clockSync_(panel, clock, ports, session_, configState_, links_, configSender_, wiredWriter_,
                 configScan_, deviceTable_),
      calibration_(panel, dialogs, session_, configState_, configSender_, wiredWriter_),
      flashUpload_(panel, dialogs, clock, upload_, configSender_, dataService_.RxChars,
                   dataService_.RxCharsLength),
      unitTypeChange_(panel, dialogs, session_, links_, portManager_, recorder_, frameCapture_,
                      flashUpload_),
      station_(panel, dialogs, clock, recorder_),
      levelLabels_(panel, session_, chart_, analysis_) {
    wireCallbacks();
    wireLinks();
    wireLive();
    wireChart();
    wireAnalysis();
    wirePlayback();
    wireConfig();
    wireSettings();
    wireWired();
    wireClock();
    wireUpload();
    wireStation();
    // The close path closes the playback file, then the recording, then the capture; the
    // station network sends what it can of the last records and goes offline.
    shell_.addFileToClose(&playback_);
    shell_.addFileToClose(&recorder_);
    shell_.addFileToClose(&frameCapture_);
    shell_.addFileToClose(&station_);
    shell_.runningWork = [this] {
        std::vector<std::string> running;
        if (recorder_.OutputDataFileOpen != 0)
            running.push_back("recording to " + recorder_.SaveOutputDataFileName);
        if (frameCapture_.APIFrameDataFileOpen())
            running.push_back("capturing frames to " + frameCapture_.SaveAPIFrameDataFileName());
        if (flashUpload_.UpLoadPCFileOpen != 0) {
            running.push_back("uploading file " + std::to_string(flashUpload_.UpLoadFileNumber) +
                              " to " + flashUpload_.SaveFileName);
        }
        return running;
    };
}

void Host::Initialize() {
    ChartCtr_ = chart::ChartCtr{};  // scale 1, range 6.0 m, offset 0, live source, not running
    chart_.Initialize();
    analysis_.Initialize();
    panel_.setValue(Ctl::BroadcastPower, 0);
    // The three port rings: port A, port B, output.
    portManager_.GetComPortList();
    portManager_.GetComPortList_B();
    portManager_.GetComPortOutPutList();
}

void Host::chooseUnitType(int unitType) {
    panel_.setValue(Ctl::UnitTypeRing, unitType);
    panel_.raise(Ctl::UnitTypeRing, Event::Commit);
}

int Host::portNumber(Ctl ring) const {
    if (ring == Ctl::PortARing) return links_.OpenComPortNum_A;
    if (ring == Ctl::PortBRing) return links_.OpenComPortNum_B;
    return links_.OpenComPortNumOutput;
}

bool Host::portOpen(Ctl ring) const { return portNumber(ring) != 0; }

std::string Host::portPath(Ctl ring) {
    const int number = portNumber(ring);
    if (number == 0) return "";
    std::vector<platform::PortInfo> listed;
    ports_.list(listed);
    for (const platform::PortInfo& p : listed) {
        if (p.number == number) return p.systemPath;
    }
    // A port chosen by its path that the list does not show (a pseudo-terminal).
    return portLister_.pathOf(number);
}

bool Host::selectDevice(int device) {
    if (platform::isWiredType(session_.UnitType)) {
        // A wired unit is named by its port: 1 the unit on port A, 2 the one on port B.
        if ((device != 1 && device != 2) ||
            !portOpen(device == 1 ? Ctl::PortARing : Ctl::PortBRing))
            return false;
        panel_.setValue(Ctl::FRTCConfigRunSelect, device);
        panel_.raise(Ctl::FRTCConfigRunSelect, Event::Commit);
        return configState_.FRTCConfigMode == device;
    }
    panel_.setValue(Ctl::SelectDeviceNum, device);
    panel_.raise(Ctl::SelectDeviceNum, Event::Commit);
    return configState_.ConfigStatus == 1;
}

int Host::unreadInput(Ctl ring) const {
    const int number = portNumber(ring);
    return number != 0 ? ports_.inputLength(number) : 0;
}

bool Host::choosePort(Ctl ring, const std::string& path) {
    const int number = ports_.numberForPath(path);
    if (number <= 0) return false;
    if (panel_.indexOfValue(ring, number) < 0) {
        panel_.insertItem(ring, -1, path, number);
        portLister_.remember(number, path);
    }
    panel_.setDimmed(ring, false);
    panel_.setValue(ring, number);
    panel_.raise(ring, Event::Commit);
    return portOpen(ring);
}

namespace {

// Help that depends on the unit type: a wired Fathomrod shows sample data only when its serial
// output is on and its port runs free, and the unit-type ring and the start-plotting switch
// say so while that type is chosen.
constexpr std::string_view kBatteryHelp =
    "The colour bands show the service life left in 1.5 V alkaline cells: dark green 100 to\n"
    "80 %, light green 80 to 60 %, yellow 60 to 40 %, orange 40 to 20 %, red 20 to 0 %.\n"
    "For 3.6 V lithium cells the voltage is 2.33 times the indicated value.";

struct UnitTypeHelp {
    Ctl id;
    int unitType;
    std::string_view title, text;
};
constexpr UnitTypeHelp kUnitTypeHelp[] = {
    {Ctl::UnitTypeRing, 3, "FATHOMROD TYPE",
     "Note to display sample data:\nThe Serial Output must be configured to on.\nThe Select "
     "Com Port Run Mode must be set to Free"},
    {Ctl::RawStartStop, 3, "FATHOMROD TYPE",
     "Note to display sample data:\nThe Serial Output must be configured to on.\nThe Select "
     "Configure Mode must be set to Run"},
    // The battery-powered radio units show their cells' voltage, the others their supply.
    {Ctl::BatteryVoltage, 0, "BATTERY VOLTAGE", kBatteryHelp},
    {Ctl::BatteryVoltage, 1, "BATTERY VOLTAGE", kBatteryHelp},
    {Ctl::ReadBattery, 0, "READ", "Read and display the XB unit's Battery Voltage"},
    {Ctl::ReadBattery, 1, "READ", "Read and display the XB unit's Battery Voltage"},
};

}  // namespace

void Host::showHelp(Ctl id) {
    if (unitSettings_.showHelp(id)) return;
    if (calibration_.showHelp(id)) return;
    for (const UnitTypeHelp& h : kUnitTypeHelp) {
        if (h.id == id && h.unitType == session_.UnitType) {
            dialogs_.message(h.title, h.text);
            return;
        }
    }
    const platform::ControlSpec& spec = platform::controlSpec(id);
    dialogs_.message(spec.helpTitle, spec.helpText);
}

void Host::onCommit(Ctl id, std::function<void()> action) {
    panel_.onEvent(id, [action = std::move(action)](Event e, const EventData&) {
        if (e == Event::Commit) action();
    });
}

void Host::wireCallbacks() {
    panel_.onHelp([this](Ctl id) { showHelp(id); });
    panel_.onEvent(Ctl::MainWindow, [this](Event e, const EventData&) { shell_.panelCB(e); });
    onCommit(Ctl::MenuExit, [this] { shell_.ExitFathomrodXB(); });
    onCommit(Ctl::MenuScaleResize, [this] { shell_.ScaleResizeMenu(); });
    onCommit(Ctl::MenuAbout, [this] { shell_.AboutFRXB_Interface(); });
    panel_.onEvent(Ctl::FactoryButton, [this](Event e, const EventData&) { shell_.FACTCTR(e); });
    // Printing: the chart and the spectrum as graphs fitted to the page under a title block
    // (a spectrum above 4 Hz has no graph: then the page); the configuration tab and the
    // main panel as pictures of the window, scaled to the paper.
    onCommit(Ctl::MenuPrintPlot, [this] {
        dialogs_.printGraph(Ctl::ChartGraph, "Plot",
                            analysis::printTitleBlock(panel_, chart_, ChartCtr_, analysis_));
    });
    onCommit(Ctl::MenuPrintSpectrum, [this] {
        if (analysis_.shownGraph() == Ctl::Count) {
            dialogs_.printPage(platform::Page::Analysis, "Spectrum");
            return;
        }
        dialogs_.printGraph(analysis_.shownGraph(), "Spectrum",
                            analysis::printTitleBlock(panel_, chart_, ChartCtr_, analysis_));
    });
    for (auto [item, page, title] :
         {std::tuple{Ctl::MenuPrintConfig, platform::Page::Config, "Configuration"},
          std::tuple{Ctl::MenuPrintMainPanel, platform::Page::Main, "Main panel"}}) {
        onCommit(item, [this, page = page, title = title] { dialogs_.printPage(page, title); });
    }
    onCommit(Ctl::MenuHelpPorts, [this] { showHelp(Ctl::PortARing); });
    onCommit(Ctl::MenuHelpDisplay, [this] { showHelp(Ctl::PowerLEDID); });
    onCommit(Ctl::MenuHelpRecording, [this] { showHelp(Ctl::RecordingIndicator); });
}

void Host::wireLinks() {
    onCommit(Ctl::PortARing, [this] { portManager_.ComPort(); });
    onCommit(Ctl::PortBRing, [this] { portManager_.ComPort_B(); });
    onCommit(Ctl::ChangePortA, [this] { portManager_.ChangeComport(); });
    onCommit(Ctl::ChangePortB, [this] { portManager_.ChangeComport_B(); });
    onCommit(Ctl::OutputPortRing, [this] { outputPort_.ComPortOutput(); });
    onCommit(Ctl::ChangeOutputPort, [this] { outputPort_.ChangeComportOutput(); });
    onCommit(Ctl::UnitTypeRing, [this] {
        unitTypeChange_.UnitTypeRing();
        levelLabels_.update();
    });
    onCommit(Ctl::SMI_BarMeters, [this] { levelLabels_.update(); });
    panel_.onEvent(Ctl::FRTCDeviceConnectTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) wiredHandshake_.FRTCDeviceConnectTimer();
    });
    panel_.onEvent(Ctl::LinkHealthTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) linkHealth_.tick();
    });
    linkHealth_.configuring = [this](links::PortId p) {
        return platform::isWiredType(session_.UnitType) &&
               configState_.FRTCConfigMode == (p == links::PortId::A ? 1 : 2);
    };
    configDisplay_.setWiredHandshakeReset([this] {
        links_.FRTCConnectStatus = 0;
        links_.FRTCConnectStatus_B = 0;
    });
    ports_.onLost([this](int number, const std::string& reason) {
        if (!portManager_.portLost(number, reason)) outputPort_.portLost(number, reason);
    });
}

// Live data.
void Host::wireLive() {
    onCommit(Ctl::MenuSaveOutputData, [this] { recorder_.SaveOutputDataToFile(); });
    onCommit(Ctl::MenuStopOutputData, [this] { recorder_.StopOutputDataToFile(); });
    onCommit(Ctl::MenuSaveApiFrames, [this] { frameCapture_.SaveAPIDataToFile(); });
    onCommit(Ctl::MenuStopApiFrames, [this] { frameCapture_.StopAPIFrameDataToFile(); });
    panel_.onEvent(Ctl::SaveNewFileInterval, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) recorder_.SaveNewFileInterval();
    });
    panel_.onEvent(Ctl::FileSyncTimer, [this](Event e, const EventData&) {
        if (e != Event::TimerTick) return;
        recorder_.fileSyncTick();
        frameCapture_.fileSyncTick();
        outputPort_.tick();
    });
    panel_.onEvent(Ctl::DeviceDisplayTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) displayTimer_.DeviceDisplayTimer();
    });
    panel_.onEvent(Ctl::BroadcastPower,
                   [this](Event e, const EventData&) { displayTimer_.BroadcastPowerCtr(e); });
    panel_.onEvent(Ctl::PageSelect,
                   [this](Event e, const EventData&) { displayLines_.SelectDisplayLines(e); });
    for (int row = 0; row < live::kRowsPerPage; ++row) {
        panel_.onEvent(platform::ctlAt(Ctl::ZeroAbs1, row), [this, row](Event e, const EventData&) {
            zeroDisplay_.ZeroDisplayRow(row, e);
        });
    }
    // Where the links hand over to the live data.
    receivePaths_.setFrameSink(&dataService_);
    dataService_.hooks.noiseDropped = [this](links::FrameSource s) {
        receivePaths_.noiseDropped(s);
    };
    receivePaths_.tellOperator = [this](const std::string& title, const std::string& text) {
        dialogs_.message(title, text);
    };
    receivePaths_.setRawCapture(&frameCapture_);
    recorder_.sendToOutputPort = [this](std::span<const std::uint8_t> record) {
        outputPort_.sendRecord(
            std::string_view(reinterpret_cast<const char*>(record.data()), record.size()));
    };
    linkHooks_.ClearAllDisplayLines = [this] { displayLines_.ClearAllDisplayLines(); };
    linkHooks_.clearDeviceTable = [this] { deviceTable_.freeAll(); };
    // The adapter's PAN ID: read when its port opens, changed from the main panel, and kept
    // through power cycles once the adapter has taken it.
    linkHooks_.GetLocalPANID = [this] { localPan_.GetLocalPANID(); };
    panIds_.SaveLocalPANID = [this] { localPan_.SaveLocalPANID(); };
    localPan_.LastLocalXstickPANID = &panIds_.LastLocalXstickPANID;
    panel_.onEvent(Ctl::AdapterPanId,
                   [this](Event e, const EventData&) { localPan_.Xstick_PAN_ID(e); });
}

// The chart: the plot page's controls, the samples the data service hands on, and the resets
// that the links ask for when units change.
void Host::wireChart() {
    for (int t = 0; t < chart::kTraceCount; ++t) {
        panel_.onEvent(platform::ctlAt(Ctl::TraceSelect1, t),
                       [this, t](Event e, const EventData&) { chart_.TraceDeviceNumSelect(t, e); });
    }
    panel_.onEvent(Ctl::YAxisRange, [this](Event e, const EventData&) { chart_.YAxisRange(e); });
    panel_.onEvent(Ctl::YAxisOffset, [this](Event e, const EventData&) { chart_.YAxisOffset(e); });
    panel_.onEvent(Ctl::ChartGraph, [this](Event e, const EventData&) { chart_.GraphOutput(e); });
    onCommit(Ctl::RawPlotXAsis, [this] { chart_.RawPlotXAsis(); });
    onCommit(Ctl::RawStartStop, [this] {
        chart_.RawStartStop();
        playback_.resetReceiveState();
    });
    // The keyboard's start/stop flips the switch as a click would, and only where a click could.
    onCommit(Ctl::MenuPlotStartStop, [this] {
        if (panel_.dimmed(Ctl::RawStartStop) || !panel_.visible(Ctl::RawStartStop)) return;
        panel_.setValue(Ctl::RawStartStop, panel_.intValue(Ctl::RawStartStop) != 0 ? 0 : 1);
        panel_.raise(Ctl::RawStartStop, Event::Commit);
    });
    onCommit(Ctl::StopWhenFull, [this] { chart_.StopWhenFull(); });
    onCommit(Ctl::ChartAutoscaleY, [this] { chart_.ChartAutoscaleY(); });
    onCommit(Ctl::ChartResetView, [this] { chart_.ChartResetView(); });
    onCommit(Ctl::ChartExport, [this] { chart_.ExportChart(dialogs_); });

    dataService_.hooks.PlotData = [this](int line) { chart_.PlotData(line); };
    dataService_.hooks.PlotContData = [this](int line) { chart_.PlotContData(line); };
    linkHooks_.ChartReset = [this] { chart_.ChartReset(); };
}

// The analysis page: trace choice, the run, and the settings that make a shown result stale.
void Host::wireAnalysis() {
    panel_.onEvent(Ctl::AnalyzeTraceSelect,
                   [this](Event e, const EventData&) { analysis_.SelectTraceAnalyze(e); });
    panel_.onEvent(Ctl::AnalyzeButton,
                   [this](Event e, const EventData&) { analysis_.StartAnalysis(e); });
    for (Ctl id : {Ctl::WindowRing, Ctl::DisplayUnitRing, Ctl::ScalingRing, Ctl::AnalyzeMax,
                   Ctl::XAxisCursor, Ctl::TideFilter}) {
        panel_.onEvent(id,
                       [this, id](Event e, const EventData&) { analysis_.settingChanged(id, e); });
    }
    onCommit(Ctl::CopyResults, [this] { analysis_.CopyResults(); });
    onCommit(Ctl::ExportResults, [this] { analysis_.ExportResults(); });
    onCommit(Ctl::ExportSpectrum, [this] { analysis_.ExportSpectrum(); });
    onCommit(Ctl::SpectrumResetView, [this] { analysis_.SpectrumResetView(); });
}

// File playback: the File menu's open and close, the playback timer and controls, and the data
// source selector that switches the display and chart between the serial ports and the file.
void Host::wirePlayback() {
    onCommit(Ctl::MenuOpenPlotFile, [this] { playback_.OpenFile2Plot(); });
    onCommit(Ctl::MenuClosePlotFile, [this] { playback_.CloseFile2Plot(); });
    onCommit(Ctl::MenuExportNetcdf, [this] { exportMenu_.ExportToNetcdf(); });
    panel_.onEvent(Ctl::ExportTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) exportMenu_.ExportTimer();
    });
    onCommit(Ctl::PlotSpeedCtr, [this] { playback_.PlotSpeedCtr(); });
    onCommit(Ctl::FileKbPosition, [this] { playback_.FileKbPosition(); });
    onCommit(Ctl::PlotGoToTime, [this] { playback_.PlotGoToTime(); });
    panel_.onEvent(Ctl::FileTimeIndexTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) playback_.FileTimeIndexTimer();
    });
    panel_.onEvent(Ctl::ReadFileTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) playback_.ReadFileTimer();
    });
    displayTimer_.showingFile = [this] { return ChartCtr_.PlotSource != 0; };
    chart_.clearDeviceEntries = [this] {
        deviceTable_.freeAll();
        displayLines_.ClearAllDisplayLines();
    };
    onCommit(Ctl::PlotSourceSelect, [this] {
        chart_.PlotSourceSelect();
        // The radio configuration scan pauses while a file plays; it runs again only where a
        // radio port is open (the display timer runs with it).
        allowRadioScan(true);
        panel_.setDimmed(ChartCtr_.PlotSource != 0 ? Ctl::TempPortA : Ctl::TempPlayback, true);
        playback_.resetReceiveState();
    });
}

// Reading a unit's settings: the selection, the two configuration timers, the read buttons and
// the replies that the data service hands on.
void Host::wireConfig() {
    using config::Cmd;
    panel_.onEvent(Ctl::ConfigTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) configScan_.ConfigTimer();
    });
    panel_.onEvent(Ctl::TCFRConfigTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) configScan_.TCFRConfigTimer();
    });
    panel_.onEvent(Ctl::SelectDeviceNum,
                   [this](Event e, const EventData&) { configScan_.SelectDeviceNum(e); });
    panel_.onEvent(Ctl::SelectDeviceNum3,
                   [this](Event e, const EventData&) { configScan_.SelectDeviceNum3(e); });
    panel_.onEvent(Ctl::NetworkAddress,
                   [this](Event e, const EventData&) { configScan_.NetworkAddress(e); });
    onCommit(Ctl::ReScanAll, [this] { configScan_.ReScanAll(Event::Commit); });
    // The read buttons dim nothing and wait for nothing.
    onCommit(Ctl::ReadBattery, [this] { configSender_.send(Cmd::ReadVoltage, {}, 0); });
    onCommit(Ctl::ReadBatteryCurrent, [this] {
        if (session_.UnitType == 8) configSender_.send(Cmd::ReadBatteryCurrent, {}, 0);
    });
    dataService_.hooks.RxConfigData = [this](int line) { replyParser_.RxConfigData(line); };
    dataService_.hooks.configDeviceNumber = [this] {
        return panel_.intValue(Ctl::SelectDeviceNum);
    };
    // Another unit type: nothing of the last unit (its identity, battery, settings) stays.
    linkHooks_.resetConfigPage = [this] {
        configScan_.DimAllConfig();
        configScan_.DefaultAllConfig();
        configScan_.ConfigConnectDefault();
    };
    linkHooks_.ConfigXBPANVisible = [this](int show) {
        configDisplay_.ConfigXBPANVisible(static_cast<char>(show));
    };
    panIds_.ConfigXBPANVisible = linkHooks_.ConfigXBPANVisible;
}

// Writing a unit's settings: every setting control of the configuration, ports and upload
// tabs, and the word to the operator when the unit does not confirm a write.
void Host::wireSettings() {
    for (Ctl c : config::UnitSettings::controls()) {
        panel_.onEvent(c, [this, c](Event e, const EventData& d) { unitSettings_.event(c, e, d); });
    }
    configScan_.hooks.writesUnconfirmed = [this](const std::vector<Ctl>& cs, bool gaveUp) {
        unitSettings_.reportUnconfirmed(cs, gaveUp);
    };
    // PAN IDs of the configured unit's radio and of the data logger's coordinator.
    remotePans_.LastRemoteFathomrodXBPANID = &panIds_.LastRemoteFathomrodXBPANID;
    panel_.onEvent(Ctl::RemotePanID,
                   [this](Event e, const EventData&) { remotePans_.FathomrodXB_PAN_ID(e); });
    onCommit(Ctl::SaveRemotePanID, [this] { remotePans_.SaveRemotePANID(); });
    panel_.onEvent(Ctl::DataLogPanId,
                   [this](Event e, const EventData&) { remotePans_.DataLog_XB_Sensor_PAN(e); });
    onCommit(Ctl::SaveXBPanId, [this] { remotePans_.SaveXB_PAN_ID(); });
}

void Host::allowRadioScan(bool allow) {
    const bool fromFile = ChartCtr_.PlotSource != 0;
    const bool uploading = flashUpload_.UpLoadPCFileOpen != 0;
    panel_.setTimerEnabled(Ctl::ConfigTimer, allow && !fromFile && !uploading &&
                                                 panel_.timerEnabled(Ctl::DeviceDisplayTimer));
}

// The upload tab's flash card: the active file, a new file, and the upload of a closed one.
// The radio scan pauses while an upload runs, as it does while a file plays.
void Host::wireUpload() {
    onCommit(Ctl::ReadActiveFile, [this] { flashUpload_.ReadActiveFile(); });
    onCommit(Ctl::StartNewFile, [this] { flashUpload_.StartNewFile(); });
    onCommit(Ctl::UpLoadFile, [this] { flashUpload_.UpLoadFile(); });
    panel_.onEvent(Ctl::UpLoadTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) flashUpload_.UpLoadTimer();
    });
    replyParser_.hooks.OpenUpLoadFile = [this] { flashUpload_.OpenUpLoadFile(); };
    replyParser_.hooks.takeSizeReply = [this] { return flashUpload_.takeSizeReply(); };
    replyParser_.hooks.UpLoadReadFile = [this] { flashUpload_.UpLoadReadFile(); };
    flashUpload_.radioScanMayRun = [this](bool allow) { allowRadioScan(allow); };
}

}  // namespace app

namespace app {

void Host::route(std::span<const Ctl> controls, std::function<void(Ctl, Event)> to) {
    for (Ctl c : controls) {
        panel_.onEvent(c, [c, to](Event e, const EventData&) { to(c, e); });
    }
}

// The wired units' block: shown when the wired timer has read it, changed by the settings,
// and the configure/run selector that picks the port.
void Host::wireWired() {
    configScan_.hooks.SetFRTCConfigDisplay = [this] { wiredDisplay_.SetFRTCConfigDisplay(); };
    panel_.onEvent(Ctl::FRTCConfigRunSelect,
                   [this](Event e, const EventData&) { wiredDisplay_.FRTCConfigRunSelect(e); });
    route(config::WiredSettings::controls(),
          [this](Ctl c, Event e) { wiredSettings_.event(c, e); });
    unitSettings_.hooks.wiredSetting = [this](Ctl c, Event e) {
        wiredSettings_.sharedSetting(c, e);
    };
    route(calibration::Calibration::controls(),
          [this](Ctl c, Event e) { calibration_.event(c, e); });
}

// Clocks: the clock controls, and the automatic sync that the display timer advances and the
// data service triggers when the armed unit reports.
void Host::wireClock() {
    route(clocks::ClockSync::controls(), [this](Ctl c, Event e) { clockSync_.event(c, e); });
    displayTimer_.autoSyncCycle = [this] { clockSync_.autoSyncCycle(); };
    const auto fast = [this] { clockSync_.startFastSync(); };
    dataService_.hooks.startFastSync = fast;
    configScan_.hooks.startFastSync = fast;
    displayLines_.onNewUnit = fast;
    dataService_.hooks.autoWaitSyncFor = [this](int line) {
        return clockSync_.autoWaitSyncFor(line);
    };
    dataService_.hooks.unitTimeSeen = [this](int line, double after) {
        clockSync_.unitTimeSeen(line, after);
    };
    // Auto Time Sync brings such a unit back by itself; without it the operator is told.
    clockSync_.onClockOff = [this](const clocks::ClockOffReport& r) {
        if (r.resync) return;
        char text[160];
        std::snprintf(text, sizeof text,
                      "The clock of unit %d is %.1f s %s this computer's.\n"
                      "Set it, or switch Auto Time Sync on.",
                      r.device, std::abs(r.seconds), r.seconds > 0 ? "ahead of" : "behind");
        dialogs_.message("UNIT CLOCK OUT OF STEP", text);
    };
    dataService_.hooks.AutoSyncFathomrodXB = [this](std::uint64_t address,
                                                    const std::array<char, 3>& sep) {
        clockSync_.AutoSyncFathomrodXB(address, sep);
    };
}

// The station network: its menu item and timer, and what its status tells of the station.
void Host::wireStation() {
    onCommit(Ctl::MenuStationNetwork, [this] { station_.editSettings(); });
    panel_.onEvent(Ctl::StationTimer, [this](Event e, const EventData&) {
        if (e == Event::TimerTick) station_.tick();
    });
    station_.describe = [this] {
        station::StatusInfo info;
        info.version = FATHOM_VERSION;
        info.unitType = session_.UnitType;
        for (auto [ring, name, health] : {std::tuple{Ctl::PortARing, "A", Ctl::PortAHealth},
                                          std::tuple{Ctl::PortBRing, "B", Ctl::PortBHealth},
                                          std::tuple{Ctl::OutputPortRing, "output", Ctl::Count}}) {
            if (!portOpen(ring)) continue;
            info.ports.push_back(
                {name, portPath(ring), health == Ctl::Count ? "" : panel_.text(health)});
        }
        if (recorder_.OutputDataFileOpen != 0) info.recording = recorder_.SaveOutputDataFileName;
        return info;
    };
}

}  // namespace app
