#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace app {

// A set of recordings turned into another kind of file a step at a time, so that the window
// stays live and shows progress. The NetCDF export implements it; the core does not link it.
class ExportJob {
  public:
    virtual ~ExportJob() = default;
    // Does a little more; false once finished, done or not.
    virtual bool step() = 0;
    // Stops; the file begun is removed.
    virtual void cancel() = 0;
    virtual bool finished() const = 0;
    virtual double fraction() const = 0;    // of the whole work, 0 to 1
    virtual std::string activity() const = 0;  // "Checking survey003.csv"
    // Empty once done; otherwise why not, naming the file and line where it lies in a file.
    virtual const std::string& error() const = 0;
    virtual std::string summary() const = 0;  // what was written, in a few lines
};

struct ExportRequest {
    std::vector<std::string> files;  // in the order they were recorded
    std::string output;
    double utcOffsetHours = 0;
    bool pressureInMetres = false;
};
using ExportJobFactory = std::function<std::unique_ptr<ExportJob>(const ExportRequest&)>;
// The file an export of these recordings is offered under by default.
using ExportNameFactory = std::function<std::string(const std::vector<std::string>&)>;

// The File menu's export of recordings to NetCDF: the recordings, the time zone of their
// clocks and the file to write are asked for, then the export runs from a timer with a
// progress display that can cancel it. Shown only once an exporter is set.
class ExportMenu {
  public:
    ExportMenu(platform::Panel& panel, platform::Dialogs& dialogs, platform::Clock& clock);
    ~ExportMenu();

    void setExporter(ExportJobFactory job, ExportNameFactory name);
    void ExportToNetcdf();  // menu item
    void ExportTimer();     // timer tick: a slice of the work
    bool running() const { return job_ != nullptr; }

  private:
    void end(bool cancelled);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    ExportJobFactory makeJob_;
    ExportNameFactory nameFor_;
    std::unique_ptr<ExportJob> job_;
    std::string output_;
};

}  // namespace app
