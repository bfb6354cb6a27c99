#pragma once
#include <cctype>
#include <string>
#include <string_view>

#include "platform/dialogs.h"

namespace platform {

// Asks the operator for a file to write. Empty when the dialog was cancelled, or when the
// file exists and the operator would not have it replaced.
inline std::string chooseOutputFile(Dialogs& dialogs, std::string_view title,
                                    std::string_view pattern, std::string_view typeList,
                                    std::string_view defaultName) {
    const FileSelection f = dialogs.fileSelect({.pattern = std::string(pattern),
                                                .typeList = std::string(typeList),
                                                .title = std::string(title),
                                                .save = true,
                                                .defaultName = std::string(defaultName)});
    if (!f.ok()) return {};
    if (f.existed() && !dialogs.confirm("REPLACE FILE", f.path + " exists already. Replace it?")) {
        return {};
    }
    return f.path;
}

// Whether path ends in ext (".csv", lower case), in any case.
inline bool hasExtension(std::string_view path, std::string_view ext) {
    if (path.size() < ext.size()) return false;
    for (std::size_t i = 0; i < ext.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[path.size() - ext.size() + i]);
        if (std::tolower(c) != ext[i]) return false;
    }
    return true;
}

}  // namespace platform
