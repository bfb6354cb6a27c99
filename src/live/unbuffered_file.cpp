#include "live/unbuffered_file.h"

#include <cerrno>
#include <cstring>

namespace live {

namespace {
FileStatus failure(const std::string& path, int err) {
    return {false, path + ": " + std::strerror(err)};
}
}  // namespace

FileStatus UnbufferedFile::open(const std::string& path) {
    close();
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return failure(path, errno != 0 ? errno : EIO);
    if (std::setvbuf(f, nullptr, _IONBF, 0) != 0) {
        std::fclose(f);
        return failure(path, errno != 0 ? errno : EIO);
    }
    file_ = f;
    path_ = path;
    return {};
}

FileStatus UnbufferedFile::write(const void* data, std::size_t n) {
    if (file_ == nullptr) return failure(path_, EBADF);
    errno = 0;
    if (std::fwrite(data, 1, n, file_) != n) {
        int err = errno != 0 ? errno : EIO;
        std::clearerr(file_);
        return failure(path_, err);
    }
    return {};
}

void UnbufferedFile::close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

}  // namespace live
