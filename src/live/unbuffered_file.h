#pragma once
#include <cstdio>
#include <string>

namespace live {

// Outcome of a file operation; message names the file and the cause when it failed.
struct FileStatus {
    bool ok = true;
    std::string message;
};

// A file opened for writing whose every write goes straight to the operating system: nothing
// is held in the program, so a crash or power cut loses nothing already written.
class UnbufferedFile {
public:
    UnbufferedFile() = default;
    UnbufferedFile(const UnbufferedFile&) = delete;
    UnbufferedFile& operator=(const UnbufferedFile&) = delete;
    ~UnbufferedFile() { close(); }

    // Opens path for writing, truncating it.
    FileStatus open(const std::string& path);
    FileStatus write(const void* data, std::size_t n);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

}  // namespace live
