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

platform::FileSelectRequest FolderMemory::inLastFolder(
    const platform::FileSelectRequest& request) const {
    platform::FileSelectRequest asked = request;
    if (asked.directory.empty()) {
        const std::string last = settings_->folder(kindOf(request.title));
        std::error_code ec;
        // A folder since removed (a USB stick taken away) is not offered.
        if (!last.empty() && std::filesystem::is_directory(last, ec)) asked.directory = last;
    }
    return asked;
}

void FolderMemory::remember(const platform::FileSelectRequest& request, const std::string& chosen) {
    const std::string folder = std::filesystem::path(chosen).parent_path().string();
    if (!folder.empty()) settings_->setFolder(kindOf(request.title), folder);
}

platform::FileSelection FolderMemory::fileSelect(const platform::FileSelectRequest& request) {
    if (!settings_) return inner_.fileSelect(request);
    platform::FileSelection chosen = inner_.fileSelect(inLastFolder(request));
    if (chosen.ok() && !chosen.path.empty()) remember(request, chosen.path);
    return chosen;
}

std::vector<std::string> FolderMemory::fileSelectMany(const platform::FileSelectRequest& request) {
    if (!settings_) return inner_.fileSelectMany(request);
    std::vector<std::string> chosen = inner_.fileSelectMany(inLastFolder(request));
    if (!chosen.empty()) remember(request, chosen.front());
    return chosen;
}

}  // namespace app
