#include "live/unbuffered_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace live {

namespace fs = std::filesystem;

namespace {
FileStatus failure(const std::string& path, int err) {
    return {false, path + ": " + std::strerror(err)};
}

int syncDescriptor(std::FILE* f) {
#ifdef _WIN32
    return _commit(_fileno(f));
#else
    return fsync(fileno(f));
#endif
}
}  // namespace

FileStatus UnbufferedFile::open(const std::string& path, bool append) {
    close();
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), append ? "ab" : "wb");
    if (f == nullptr) return failure(path, errno != 0 ? errno : EIO);
    if (std::setvbuf(f, nullptr, _IONBF, 0) != 0) {
        std::fclose(f);
        return failure(path, errno != 0 ? errno : EIO);
    }
    file_ = f;
    path_ = path;
    size_ = 0;
    if (append) {
        std::error_code ec;
        const std::uintmax_t had = fs::file_size(path, ec);
        if (!ec) size_ = had;
    }
    dirty_ = false;
    return {};
}

FileStatus UnbufferedFile::write(const void* data, std::size_t n) {
    if (file_ == nullptr) return failure(path_, EBADF);
    errno = 0;
    if (std::fwrite(data, 1, n, file_) != n) {
        const int err = errno != 0 ? errno : EIO;
        close(size_);
        return failure(path_, err);
    }
    size_ += n;
    dirty_ = true;
    return {};
}

void UnbufferedFile::sync() {
    if (file_ == nullptr || !dirty_) return;
    std::fflush(file_);
    syncDescriptor(file_);
    dirty_ = false;
}

bool UnbufferedFile::stillAtPath() const {
#ifdef _WIN32
    return true;  // a file open for writing cannot be deleted or moved there
#else
    if (file_ == nullptr) return true;
    struct stat open {}, there {};
    if (fstat(fileno(file_), &open) != 0) return true;
    if (stat(path_.c_str(), &there) != 0) return errno != ENOENT && errno != ENOTDIR;
    return open.st_dev == there.st_dev && open.st_ino == there.st_ino;
#endif
}

void UnbufferedFile::close(std::uint64_t keep) {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (keep <= size_) cutTo(keep);
}

void UnbufferedFile::cutTo(std::uint64_t size) {
    // The part of a write that went through before the disk filled comes off again. A
    // device such as /dev/full cannot be cut; there is nothing to cut there either.
    std::error_code ec;
    if (fs::is_regular_file(path_, ec) && fs::file_size(path_, ec) > size) {
        fs::resize_file(path_, size, ec);
    }
    size_ = size;
}

bool pathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool isDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool namesAFolder(const std::string& path) {
    return path.empty() || path.back() == '/' || path.back() == '\\' || isDirectory(path);
}

bool removeIfEmptyFile(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)) || fs::file_size(path, ec) != 0) {
        return false;
    }
    return fs::remove(path, ec);
}

std::uint64_t freeSpaceFor(const std::string& path) {
    std::error_code ec;
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) folder = ".";
    const fs::space_info s = fs::space(folder, ec);
    return ec ? 0 : s.available;
}

bool makeFolderFor(const std::string& path) {
    std::error_code ec;
    const fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) return true;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

}  // namespace live
