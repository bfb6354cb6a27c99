#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/control_spec.h"
#include "platform/ctl.h"

namespace platform {

struct FileSelectRequest {
    std::string directory;  // start directory, empty = current
    std::string pattern;    // default file pattern, e.g. "*.csv"
    std::string typeList;   // extra patterns, e.g. "*.csv;*.DAT"
    std::string title;
    bool save = false;       // a file to write (may not exist yet) or one to load
    std::string defaultName; // proposed file name for save dialogs
    std::string patternName; // what the pattern's files are, e.g. "Recordings"
};

struct FileSelection {
    enum class Status { Cancelled, Existing, New } status = Status::Cancelled;
    std::string path;
    bool ok() const { return status != Status::Cancelled; }
    bool existed() const { return status == Status::Existing; }
};

// One field of a form: a line of text, a file to read, a folder, or a switch ("1" on).
struct FormField {
    enum class Kind : std::uint8_t { Text, File, Folder, Switch };
    std::string label;
    std::string value;
    Kind kind = Kind::Text;
    std::string help;  // a line under the field
};

// Pop-ups the program shows to the operator. Every one is modal and returns when answered.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(std::string_view title, std::string_view text) = 0;
    virtual bool confirm(std::string_view title, std::string_view text) = 0;
    // nullopt when cancelled; the reply is cut to maxLength characters.
    virtual std::optional<std::string> prompt(std::string_view title, std::string_view message,
                                              int maxLength) = 0;
    virtual FileSelection fileSelect(const FileSelectRequest& request) = 0;
    // Several existing files at once (a recording's numbered files); empty when cancelled.
    virtual std::vector<std::string> fileSelectMany(const FileSelectRequest& request) {
        const FileSelection one = fileSelect(request);
        return one.ok() ? std::vector<std::string>{one.path} : std::vector<std::string>{};
    }
    // Prints one page of the program (main panel or a tab page); false when cancelled or failed.
    virtual bool printPage(Page page, std::string_view title) = 0;

    // A form of settings, filled in by the operator: true with the fields' new values when
    // accepted; false when cancelled, or where there is no window.
    virtual bool form(std::string_view title, std::span<FormField> fields) {
        (void)title;
        (void)fields;
        return false;
    }
    // How far a long piece of work has got (fraction 0 to 1), shown with a way to cancel it
    // until endProgress(); false once the operator has asked to cancel. The work goes on in
    // steps from a timer, so the window stays live meanwhile. Without a window it shows nothing.
    virtual bool progress(std::string_view title, std::string_view text, double fraction) {
        (void)title;
        (void)text;
        (void)fraction;
        return true;
    }
    virtual void endProgress() {}

    // The window's outputs of a graph control. Where there is no window (headless runs) they
    // do nothing and say so.
    // Puts text on the clipboard; false where there is none.
    virtual bool copyText(std::string_view text) {
        (void)text;
        return false;
    }
    // Draws the graph as the window shows it (zoom, legend and cursors included) into an
    // image file, PNG or SVG by the path's extension. Empty on success, else why not.
    virtual std::string saveGraph(Ctl graph, const std::string& path) {
        (void)graph;
        (void)path;
        return "there is no window to draw " + path + " from";
    }
    // Prints the graph fitted to the page under a block of title lines; false when cancelled
    // or failed.
    virtual bool printGraph(Ctl graph, std::string_view title,
                            std::span<const std::string> titleBlock) {
        (void)graph;
        (void)title;
        (void)titleBlock;
        return false;
    }
};

}  // namespace platform
