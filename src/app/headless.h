#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/cli.h"
#include "app/headless_dialogs.h"
#include "app/host.h"

namespace app {

// Runs the program without a window: it operates the same controls an operator would (unit
// type, port rings, File menu) so that ports, handshakes and files behave exactly as in the
// GUI, and it reports what happens as timestamped lines.
class Headless {
  public:
    using Print = std::function<void(const std::string&)>;

    Headless(Host& host, platform::Clock& clock, HeadlessDialogs& dialogs, CliOptions options,
             Print out, Print err);

    // Chooses the unit type, opens the ports and starts the files. False when something asked
    // for cannot be done; the reason has been printed.
    bool start();
    // Once a second: reports changes, reopens lost ports, notices failed files.
    void poll();
    // A status line for the log (printed once a minute).
    std::string statusLine() const;
    // Closes every file through the program's close path. Returns the exit status.
    int stop();

    bool failed() const { return failed_; }
    // A pop-up of the program, as a log line. Port losses and the failed reopen attempts of
    // a lost port are left to the port reports, which say it once and name the path.
    void dialogMessage(const std::string& title, const std::string& text);
    // --show-config: the settings have been printed; the run is over.
    bool finished() const { return configShown_ || uploadDone_; }
    // Prints with a timestamp.
    void say(const std::string& text) const;
    void complain(const std::string& text) const;

  private:
    void reportUnits();
    // --mqtt: starts the station network; false when its settings cannot be used.
    bool startStation();
    void reportPorts();
    void reportFiles();
    bool checkTargets();
    // --show-config: selects the unit once it reports, then prints its settings when the scan
    // is complete, or which step went unanswered.
    void showConfig();
    // --upload-file: selects the logger, reads its active file, uploads file N and reports.
    void uploadFile();
    // The jobs (--show-config, --upload-file) end within their limits: kStepWait seconds
    // without progress on one step, jobLimit() in all. step_ says what is waited on.
    bool jobRunning() const;
    int jobLimit() const;
    void waitingFor(const std::string& step);
    std::string jobMissing() const;
    void jobFailed(const std::string& why);
    void endUpload();
    void printSettings();
    void printWiredSettings();
    void reportSync(const clocks::SyncReport& r);
    void reportClockOff(const clocks::ClockOffReport& r);
    std::string stamp() const;

    Host& host_;
    platform::Clock& clock_;
    HeadlessDialogs& dialogs_;
    CliOptions o_;
    Print out_, err_;
    // What is watched of each port asked for on the command line.
    struct PortWatch {
        platform::Ctl ring;
        std::string path;
        const char* name;
        bool carriesUnits;  // port A or B, not the output port
        bool open = false;
        int lostSeconds = 0;
        bool warned = false;  // its no-data warning has been said
        int silentSeconds = 0;
    };
    void watchPort(PortWatch& w, bool reopenDue);
    static std::string duration(int seconds);
    static links::PortId idOf(platform::Ctl ring);
    std::string portStatus(const PortWatch& w) const;

    static constexpr int kStepWait = 120;
    static constexpr int kShowConfigLimit = 300;
    static constexpr int kUploadLimit = 3600;
    bool failed_ = false;
    std::string step_;     // e.g. "waiting for unit 5 to report"
    int stepSeconds_ = 0;  // on this step
    int jobSeconds_ = 0;
    bool configSelected_ = false;
    bool configShown_ = false;
    int uploadStage_ = 0;
    bool uploadDone_ = false;
    bool uploadAborted_ = false;  // switched off here (a stop, a limit)
    long long uploadShown_ = -1;  // bytes in the last progress line
    std::vector<platform::Ctl> configOrder_;  // settings in the order the scan showed them
    bool stopping_ = false;
    bool reopening_ = false;
    int reopenCountdown_ = 0;
    std::vector<PortWatch> ports_;
    std::set<std::pair<std::uint64_t, int>> units_;
    std::size_t refusedSaid_ = 0;  // units without a place, said so far
    std::string statusA_, statusB_;
    std::string recordingFile_, captureFile_;
    bool recording_ = false, capturing_ = false;
};

// The station network as the command line sets it (--mqtt and its companions). The queue goes
// in defaultQueueFolder unless --mqtt-queue names one.
station::StationSettings stationSettings(const CliOptions& options,
                                         const std::string& defaultQueueFolder);

}  // namespace app
