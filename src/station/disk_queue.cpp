#include "station/disk_queue.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace station {

namespace fs = std::filesystem;
using live::FileStatus;

namespace {

constexpr const char* kIdFile = "queue-id";
constexpr const char* kSequenceFile = "sequence";
constexpr const char* kLockFile = "lock";

std::string readSmallFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::string s;
    std::getline(in, s);
    return s;
}

bool writeSmallFile(const fs::path& p, const std::string& text) {
    std::FILE* f = std::fopen(p.string().c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::string newQueueId() {
    std::random_device rd;
    const std::uint64_t v = (static_cast<std::uint64_t>(rd()) << 32) ^ rd();
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

bool validId(const std::string& id) {
    if (id.size() != 16) return false;
    for (char c : id) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// "<16 digits>-<YYYYMMDD>.msg" or ".open".
bool parseName(const std::string& name, DiskQueue::Entry& e, std::string& ext) {
    if (name.size() != 16 + 1 + 8 + 4 && name.size() != 16 + 1 + 8 + 5) return false;
    if (name[16] != '-' || name[25] != '.') return false;
    ext = name.substr(26);
    if (ext != "msg" && ext != "open") return false;
    std::uint64_t seq = 0;
    int ymd = 0;
    for (std::size_t i = 0; i < 25; ++i) {
        if (i == 16) continue;
        if (name[i] < '0' || name[i] > '9') return false;
        if (i < 16) seq = seq * 10 + static_cast<std::uint64_t>(name[i] - '0');
        else ymd = ymd * 10 + (name[i] - '0');
    }
    e.seq = seq;
    e.day = {ymd / 10000, ymd / 100 % 100, ymd % 100};
    return seq > 0;
}

}  // namespace

std::string DiskQueue::messagePath(const Entry& e, const char* ext) const {
    char name[48];
    std::snprintf(name, sizeof name, "%016llu-%04d%02d%02d.%s",
                  static_cast<unsigned long long>(e.seq), e.day.year, e.day.month, e.day.day, ext);
    return (fs::path(dir_) / name).string();
}

void DiskQueue::removeFile(const std::string& path) const {
    std::error_code ec;
    fs::remove(path, ec);
}

FileStatus DiskQueue::writeSequence() {
    if (writeSmallFile(fs::path(dir_) / kSequenceFile, std::to_string(lastSeq_) + "\n")) return {};
    return {false, (fs::path(dir_) / kSequenceFile).string() + ": " + std::strerror(errno)};
}

FileStatus DiskQueue::open(const std::string& dir) {
    close();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
        return {false, "cannot make the queue folder " + dir +
                           (ec ? ": " + ec.message() : std::string(": not a folder"))};
    }
    dir_ = dir;
#ifndef _WIN32
    // One program per queue: a second one would send, and remove, the same messages.
    const std::string lockPath = (fs::path(dir) / kLockFile).string();
    lockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0) return {false, lockPath + ": " + std::strerror(errno)};
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd_);
        lockFd_ = -1;
        return {false, "another program uses the queue in " + dir};
    }
#endif
    const fs::path idPath = fs::path(dir) / kIdFile;
    std::string id = readSmallFile(idPath);
    const std::string sequence = readSmallFile(fs::path(dir) / kSequenceFile);
    char* end = nullptr;
    const unsigned long long last = std::strtoull(sequence.c_str(), &end, 10);
    // Without its last number the queue could give a number again that the archive has
    // seen: it takes a new name, so nothing sent from now on is taken for a repeat.
    if (!validId(id) || sequence.empty() || end == sequence.c_str() || *end != '\0') {
        id = newQueueId();
        if (!writeSmallFile(idPath, id + "\n")) {
            const std::string why = idPath.string() + ": " + std::strerror(errno);
            close();
            return {false, why};
        }
        lastSeq_ = 0;
    } else {
        lastSeq_ = last;
    }
    id_ = id;
    waiting_.clear();
    bytes_ = 0;
    bool sealed = false;
    for (const fs::directory_entry& f : fs::directory_iterator(dir, ec)) {
        Entry e;
        std::string ext;
        if (!f.is_regular_file(ec) || !parseName(f.path().filename().string(), e, ext)) continue;
        e.bytes = f.file_size(ec);
        if (ext == "open") {
            // Left by a program that was stopped mid-second: its records are sent now.
            if (e.bytes == 0) {
                removeFile(f.path().string());
                continue;
            }
            fs::rename(f.path(), messagePath(e, "msg"), ec);
            if (ec) continue;
            sealed = true;
        }
        waiting_[e.seq] = e;
        bytes_ += e.bytes;
        lastSeq_ = std::max(lastSeq_, e.seq);
    }
    FileStatus st = writeSequence();
    if (!st.ok && sealed) return st;
    return {};
}

void DiskQueue::close() {
    open_.close();
    batch_ = {};
    lostRecords_ = false;
    id_.clear();
#ifndef _WIN32
    if (lockFd_ >= 0) ::close(lockFd_);
#endif
    lockFd_ = -1;
}

FileStatus DiskQueue::append(std::span<const char> record, const Day& day) {
    if (!isOpen()) return {false, "the queue is not open"};
    if (bytes_ + record.size() > limit) {
        lostRecords_ = true;
        return {false, "the queue in " + dir_ + " holds its limit of " +
                           std::to_string(limit / 1000000) + " MB"};
    }
    if (batch_.seq == 0) batch_ = {lastSeq_ + 1, day, 0};
    if (!open_.isOpen()) {
        // A batch that had a failed write goes on after what it kept.
        FileStatus st = open_.open(messagePath(batch_, "open"), batch_.bytes > 0);
        if (!st.ok) {
            lostRecords_ = true;
            return st;
        }
    }
    FileStatus st = open_.write(record.data(), record.size());
    if (!st.ok) {
        lostRecords_ = true;
        return st;
    }
    batch_.bytes += record.size();
    bytes_ += record.size();
    return {};
}

std::optional<DiskQueue::Entry> DiskQueue::seal() {
    if (!isOpen()) return std::nullopt;
    std::optional<Entry> sealed;
    open_.close();
    if (batch_.seq != 0) {
        const std::string from = messagePath(batch_, "open");
        if (batch_.bytes == 0) {
            removeFile(from);
        } else {
            std::error_code ec;
            fs::rename(from, messagePath(batch_, "msg"), ec);
            lastSeq_ = batch_.seq;
            // A file that could not be renamed is sealed by the next run's open.
            if (!ec) {
                waiting_[batch_.seq] = batch_;
                sealed = batch_;
            } else {
                bytes_ -= batch_.bytes;
            }
        }
    }
    batch_ = {};
    if (lostRecords_) ++lastSeq_;  // the number of what was lost, never sent
    const bool changed = sealed || lostRecords_;
    lostRecords_ = false;
    if (changed) writeSequence();
    return sealed;
}

std::uint64_t DiskQueue::floor() const {
    return waiting_.empty() ? lastSeq_ + 1 : waiting_.begin()->first;
}

FileStatus DiskQueue::read(const Entry& e, std::string& out) const {
    const std::string path = messagePath(e, "msg");
    std::ifstream in(path, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return {false, path + ": cannot be read"};
    if (!in.is_open()) return {false, path + ": cannot be opened"};
    return {};
}

void DiskQueue::remove(std::uint64_t seq) {
    const auto it = waiting_.find(seq);
    if (it == waiting_.end()) return;
    removeFile(messagePath(it->second, "msg"));
    bytes_ -= it->second.bytes;
    waiting_.erase(it);
}

}  // namespace station
