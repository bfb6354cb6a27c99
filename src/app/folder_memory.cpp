#include "app/folder_memory.h"

#include <cctype>
#include <filesystem>

namespace app {

namespace {

// "Save Output Data To:" -> "SaveOutputDataTo": a settings key needs no spaces or colons.
std::string kindOf(const std::string& title) {
    std::string kind;
    for (char c : title) {
        if (std::isalnum(static_cast<unsigned char>(c))) kind += c;
    }
    return kind.empty() ? "Files" : kind;
}

}  // namespace

platform::FileSelection FolderMemory::fileSelect(const platform::FileSelectRequest& request) {
    if (!settings_) return inner_.fileSelect(request);
    const std::string kind = kindOf(request.title);
    platform::FileSelectRequest asked = request;
    if (asked.directory.empty()) {
        const std::string last = settings_->folder(kind);
        std::error_code ec;
        // A folder since removed (a USB stick taken away) is not offered.
        if (!last.empty() && std::filesystem::is_directory(last, ec)) asked.directory = last;
    }
    platform::FileSelection chosen = inner_.fileSelect(asked);
    if (chosen.ok() && !chosen.path.empty()) {
        const std::string folder = std::filesystem::path(chosen.path).parent_path().string();
        if (!folder.empty()) settings_->setFolder(kind, folder);
    }
    return chosen;
}

}  // namespace app
