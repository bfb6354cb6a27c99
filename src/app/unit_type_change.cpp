#include "app/unit_type_change.h"

namespace app {

using platform::Ctl;

namespace {

constexpr std::string_view kTitle = "CHANGE THE UNIT TYPE?";

// "test000.csv" of "/data/test000.csv": the question names files as the recording frame does.
std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<std::string> UnitTypeChange::whatItCloses(int newType) const {
    std::vector<std::string> lines;
    const struct {
        int number;
        Ctl ring;
        const char* name;
    } open[] = {{links_.OpenComPortNum_A, Ctl::PortARing, "port A"},
                {links_.OpenComPortNum_B, Ctl::PortBRing, "port B"},
                {links_.OpenComPortNumOutput, Ctl::OutputPortRing, "the output port"}};
    for (const auto& p : open) {
        if (p.number == 0) continue;
        const std::string label = panel_.itemLabel(p.ring, p.number);
        lines.push_back(std::string(p.name) + (label.empty() ? "" : " (" + label + ")") +
                        " closes");
    }
    const std::string type = panel_.itemLabel(Ctl::UnitTypeRing, newType);
    if (recorder_.OutputDataFileOpen != 0) {
        lines.push_back("the recording ends " + fileName(recorder_.SaveOutputDataFileName) +
                        " and goes on in its next numbered file with the " + type + " records");
    }
    if (capture_.APIFrameDataFileOpen()) {
        lines.push_back("the frame capture ends " + fileName(capture_.SaveAPIFrameDataFileName()) +
                        " and goes on in its next numbered file");
    }
    if (upload_.UpLoadPCFileOpen != 0) {
        lines.push_back("the upload of file " + std::to_string(upload_.UpLoadFileNumber) +
                        " stops short and is reported incomplete");
    }
    return lines;
}

void UnitTypeChange::UnitTypeRing() {
    const int newType = panel_.intValue(Ctl::UnitTypeRing);
    const int oldType = session_.UnitType;
    const std::vector<std::string> closes = whatItCloses(newType);
    if (!closes.empty()) {
        std::string text = "Change the unit type from " +
                           panel_.itemLabel(Ctl::UnitTypeRing, oldType) + " to " +
                           panel_.itemLabel(Ctl::UnitTypeRing, newType) + "?\n\n";
        for (const std::string& line : closes) text += "  - " + line + "\n";
        text += "\nThe ports are then chosen again for the new unit type.";
        if (!dialogs_.confirm(kTitle, text)) {
            panel_.setValue(Ctl::UnitTypeRing, oldType);
            return;
        }
    }
    // The ports close first, so that no record of the old type reaches the next file.
    ports_.SetUnitType();
    const std::string why = "Unit type changed to " +
                            panel_.itemLabel(Ctl::UnitTypeRing, newType) +
                            ": this file starts with the change.";
    recorder_.goOnInNextFile(why);
    capture_.goOnInNextFile(why);
}

}  // namespace app
