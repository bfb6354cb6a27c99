#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace live {

// Outcome of a file operation; message names the file and the cause when it failed.
struct FileStatus {
    bool ok = true;
    std::string message;
};

// A file opened for writing whose every write goes straight to the operating system: nothing
// is held in the program, so a crash loses nothing already written. A write is whole or not
// at all: when the disk fills in the middle of one, the file is cut back to where it stood
// before, so it never ends in a torn record.
class UnbufferedFile {
  public:
    UnbufferedFile() = default;
    UnbufferedFile(const UnbufferedFile&) = delete;
    UnbufferedFile& operator=(const UnbufferedFile&) = delete;
    ~UnbufferedFile() { close(); }

    // Opens path for writing, truncating it, or (append) adding to its end.
    FileStatus open(const std::string& path, bool append = false);
    // On failure the file is closed and cut back to its size before this write.
    FileStatus write(const void* data, std::size_t n);
    // Closes the file (if still open); a size below what was written cuts the end off (a
    // partial frame), also after a failed write has closed it.
    void close(std::uint64_t keep = UINT64_MAX);
    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }

    // Hands what was written to the disk itself, so a power cut loses at most what came
    // since. Does nothing when nothing was written since the last sync.
    void sync();
    // False when the open file is no longer the one at its path: deleted, moved or renamed,
    // or its folder removed. Writes would then go where nobody finds them.
    bool stillAtPath() const;

  private:
    void cutTo(std::uint64_t size);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::uint64_t size_ = 0;
    bool dirty_ = false;
};

// The first n from `from` to `last` for which name(n) names nothing on disk (no file, no
// folder); -1 when every one is taken.
template <typename Namer>
int nextFreeNumber(const Namer& name, int from, int last);

bool pathExists(const std::string& path);
bool isDirectory(const std::string& path);
// True for a name that can only be a folder: empty, or ending in a path separator.
bool namesAFolder(const std::string& path);
// Removes path when it is an ordinary file of no bytes; true if it did.
bool removeIfEmptyFile(const std::string& path);
// Bytes free for an ordinary user on the disk that holds path (its folder); 0 if unknown.
std::uint64_t freeSpaceFor(const std::string& path);
// Creates the folder path is in, with any folders above it that are missing (a folder removed
// while a station records into it). True when it is there afterwards.
bool makeFolderFor(const std::string& path);

template <typename Namer>
int nextFreeNumber(const Namer& name, int from, int last) {
    for (int n = from; n <= last; ++n) {
        if (!pathExists(name(n))) return n;
    }
    return -1;
}

}  // namespace live
