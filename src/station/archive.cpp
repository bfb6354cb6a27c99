#include "station/archive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "live/record_format.h"
#include "live/recorder.h"
#include "live/unbuffered_file.h"
#include "station/names.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace station {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStateFile = ".collector-state";
constexpr const char* kHeldFolder = ".held";

// A name as it may be printed: control characters and bytes above ASCII as \xNN.
std::string printable(std::string_view s) {
    std::string out;
    for (char c : s.substr(0, 200)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return s.size() > 200 ? out + "..." : out;
}

// Keeps a message that came early, whole or not at all.
bool hold(const std::string& path, std::span<const char> payload) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(payload.data(), 1, payload.size(), f) == payload.size();
    if (std::fclose(f) == 0 && written) return true;
    std::remove(path.c_str());
    return false;
}

std::string seqRange(std::uint64_t from, std::uint64_t to) {
    return from == to ? "message " + std::to_string(from)
                      : "messages " + std::to_string(from) + " to " + std::to_string(to);
}

}  // namespace

// What the archive knows of one station, kept in its state file.
struct Archive::State {
    std::string queue;         // the station's queue the numbers belong to
    std::uint64_t next = 0;    // the number written next
    std::uint64_t held = 0;    // messages held in .held
    int file = -1;             // number of the file written; -1 before the first
    int lastDay = 0;           // the recorder's day rule: day of the month last seen
    int dayCounter = 0;        // ... and day changes since the file was opened
    double gapSince = 0;       // when a missing message was known to be due; 0: none

    std::string text() const {
        std::ostringstream s;
        s.precision(17);
        s << "queue " << (queue.empty() ? "-" : queue) << "\nnext " << next << "\nheld " << held
          << "\nfile " << file << "\nlastday " << lastDay << "\ndaycounter " << dayCounter
          << "\ngapsince " << gapSince << "\n";
        return s.str();
    }
    void parse(const std::string& text) {
        std::istringstream s(text);
        std::string key;
        while (s >> key) {
            if (key == "queue") {
                s >> queue;
                if (queue == "-") queue.clear();
            } else if (key == "next") {
                s >> next;
            } else if (key == "held") {
                s >> held;
            } else if (key == "file") {
                s >> file;
            } else if (key == "lastday") {
                s >> lastDay;
            } else if (key == "daycounter") {
                s >> dayCounter;
            } else if (key == "gapsince") {
                s >> gapSince;
            }
        }
    }
};

// The state file of a station, held locked while a message is handled: other collectors on
// the same folder wait.
class Archive::Lock {
  public:
    explicit Lock(const std::string& path) : path_(path) {
#ifndef _WIN32
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) flock(fd_, LOCK_EX);
#endif
    }
    ~Lock() {
#ifndef _WIN32
        if (fd_ >= 0) ::close(fd_);
#endif
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    State load() const {
        State st;
        std::ifstream in(path_, std::ios::binary);
        std::stringstream buf;
        buf << in.rdbuf();
        st.parse(buf.str());
        return st;
    }
    // Written in place and whole; false with errno when the disk does not take it.
    bool save(const State& st) const {
        const std::string text = st.text();
#ifndef _WIN32
        if (fd_ < 0) return false;
        if (::pwrite(fd_, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
            return false;
        return ::ftruncate(fd_, static_cast<off_t>(text.size())) == 0;
#else
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text;
        return out.good();
#endif
    }

  private:
    std::string path_;
    int fd_ = -1;
};

Archive::Archive(Options options, Print out, Print err)
    : o_(std::move(options)), out_(std::move(out)), err_(std::move(err)) {
    // Held messages left by an earlier run are given up or written in time, as if just held.
    std::error_code ec;
    for (const fs::directory_entry& d : fs::directory_iterator(o_.dir, ec)) {
        const std::string name = d.path().filename().string();
        if (stationNameProblem(name).empty() &&
            !fs::is_empty(d.path() / kHeldFolder, ec) && !ec) {
            pending_.insert(name);
        }
        ec.clear();
    }
}

std::string Archive::stationDir(const std::string& station) const {
    return (fs::path(o_.dir) / station).string();
}

std::string Archive::heldPath(const std::string& station, std::uint64_t seq) const {
    char name[32];
    std::snprintf(name, sizeof name, "%016llu.msg", static_cast<unsigned long long>(seq));
    return (fs::path(o_.dir) / station / kHeldFolder / name).string();
}

bool Archive::refuseName(std::string_view station) {
    const std::string why = stationNameProblem(station);
    if (why.empty()) return false;
    ++counts_.refused;
    const std::string name(station);
    if (refusedNames_.size() < 1000 && refusedNames_.insert(name).second) {
        err_("refused station name \"" + printable(station) + "\": " + why +
             "; nothing of it is written");
    }
    return true;
}

void Archive::message(std::string_view topic, std::span<const char> payload, double now) {
    if (const auto s = stationOfTopic(topic, "records")) {
        if (!refuseName(*s)) records(std::string(*s), payload, now);
    } else if (const auto t = stationOfTopic(topic, "status")) {
        if (!refuseName(*t)) status(std::string(*t), payload);
    }
}

void Archive::status(const std::string& station, std::span<const char> payload) {
    const std::optional<bool> online = statusOnline({payload.data(), payload.size()});
    if (!online) return;
    const auto it = online_.find(station);
    if (it == online_.end()) {
        out_("station " + station + (*online ? " online" : " offline"));
    } else if (it->second != *online) {
        out_("station " + station + (*online ? " back online" : " offline"));
    }
    online_[station] = *online;
}

void Archive::records(const std::string& station, std::span<const char> payload, double now) {
    const std::optional<RecordsMessage> m = parseRecordsMessage(payload);
    if (!m) {
        ++counts_.refused;
        err_("station " + station + ": a message that is not a records message was dropped");
        return;
    }
    std::error_code ec;
    fs::create_directories(fs::path(stationDir(station)) / kHeldFolder, ec);
    Lock lock((fs::path(stationDir(station)) / kStateFile).string());
    State st = lock.load();
    const RecordsHeader& h = m->header;
    if (st.queue != h.queue) {
        if (!st.queue.empty()) {
            // The station's queue was made anew: what the old one still owed will not come.
            if (st.held > 0) giveUpGap(station, st, true);
            out_("station " + station + ": a new queue (" + h.queue + ") starts at message " +
                 std::to_string(h.floor));
        }
        st.queue = h.queue;
        st.next = h.floor;
        st.held = 0;
        st.gapSince = 0;
    }
    if (h.seq < st.next || fs::exists(heldPath(station, h.seq), ec)) {
        ++counts_.duplicates;
        return;
    }
    if (h.seq == st.next && write(station, st, *m)) {
        ++st.next;
        drain(station, st);
    } else if (hold(heldPath(station, h.seq), payload)) {
        ++st.held;
        ++counts_.held;
        pending_.insert(station);
    } else {
        err_("station " + station + ": message " + std::to_string(h.seq) +
             " can be neither written nor held (" + std::strerror(errno) +
             "); the archive lacks it");
    }
    // Every message below the floor had reached the broker before this one was sent; one of
    // them still missing now will come soon or never.
    if (st.held > 0 && h.floor > st.next && st.gapSince == 0) st.gapSince = now;
    if (st.held == 0) st.gapSince = 0;
    if (!lock.save(st)) {
        err_("station " + station + ": its state cannot be written: " + std::strerror(errno));
    }
}

bool Archive::write(const std::string& station, State& st, const RecordsMessage& m) {
    const std::string first =
        live::recordingFileName((fs::path(stationDir(station)) / (station + ".csv")).string());
    const auto numbered = [&](int n) { return live::numberedFileName(first, n); };
    State next = st;
    if (next.file < 0) {
        // A file left by an earlier archive whose state is gone is never written over.
        next.file = live::nextFreeNumber(numbered, 0, live::kLastFileNumber);
        next.lastDay = m.header.day.day;
        next.dayCounter = 0;
    } else if (live::newFileDue(m.header.day.day, o_.interval, next.lastDay, next.dayCounter)) {
        next.file = live::nextFreeNumber(numbered, next.file + 1, live::kLastFileNumber);
    }
    if (next.file < 0) {
        err_("station " + station + ": every file number of " + first + " is taken");
        return false;
    }
    live::UnbufferedFile f;
    live::FileStatus s = f.open(numbered(next.file), true);
    if (s.ok) s = f.write(m.records.data(), m.records.size());
    if (!s.ok) {
        err_("station " + station + ": " + s.message + "; held until it can be written");
        return false;
    }
    st = next;
    ++counts_.messages;
    counts_.bytes += m.records.size();
    return true;
}

void Archive::drain(const std::string& station, State& st) {
    while (st.held > 0) {
        const std::string path = heldPath(station, st.next);
        std::ifstream in(path, std::ios::binary);
        if (!in) return;
        const std::string payload((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        in.close();
        const std::optional<RecordsMessage> m = parseRecordsMessage(payload);
        if (m && !write(station, st, *m)) return;
        std::error_code ec;
        fs::remove(path, ec);
        --st.held;
        ++st.next;
    }
}

std::uint64_t Archive::lowestHeld(const std::string& station) const {
    std::uint64_t lowest = UINT64_MAX;
    std::error_code ec;
    for (const fs::directory_entry& f :
         fs::directory_iterator(fs::path(stationDir(station)) / kHeldFolder, ec)) {
        const std::string name = f.path().filename().string();
        char* end = nullptr;
        const unsigned long long seq = std::strtoull(name.c_str(), &end, 10);
        if (end != name.c_str() && std::string_view(end) == ".msg") {
            lowest = std::min<std::uint64_t>(lowest, seq);
        }
    }
    return lowest;
}

// The messages missing before the lowest held one will not come: said once, and what is held
// from there on is written. With all, every held message is written, gaps and all.
void Archive::giveUpGap(const std::string& station, State& st, bool all) {
    do {
        const std::uint64_t lowest = lowestHeld(station);
        if (lowest == UINT64_MAX) {
            st.held = 0;
            break;
        }
        if (lowest > st.next) {
            err_("station " + station + ": " + seqRange(st.next, lowest - 1) +
                 " never came; the archive lacks them");
            st.next = lowest;
        }
        const std::uint64_t before = st.held;
        drain(station, st);
        if (st.held == before) break;  // the file cannot be written now: tried again later
    } while (all && st.held > 0);
    st.gapSince = 0;
}

void Archive::tick(double now) {
    for (auto it = pending_.begin(); it != pending_.end();) {
        const std::string& station = *it;
        Lock lock((fs::path(stationDir(station)) / kStateFile).string());
        State st = lock.load();
        drain(station, st);
        if (st.held > 0 && st.gapSince > 0 && now - st.gapSince >= o_.gapGraceSeconds) {
            giveUpGap(station, st, false);
        }
        if (st.held == 0) st.gapSince = 0;
        lock.save(st);
        it = st.held == 0 ? pending_.erase(it) : std::next(it);
    }
}

}  // namespace station
