#include "app/log_writer.h"

#include <cerrno>
#include <chrono>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace app {

namespace {

// Writes all of text, or returns false (a broken pipe, a closed descriptor). Raw writes, not
// stdio: a writer left blocked must hold no lock that the program's exit would wait on.
bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
#ifdef _WIN32
        const int n = ::_write(fd, text.data() + done, static_cast<unsigned>(text.size() - done));
#else
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
#endif
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

LogWriter::LogWriter(int fd, std::size_t maxQueued)
    : state_(std::make_shared<State>()), maxQueued_(maxQueued), thread_(run, fd, state_) {}

LogWriter::~LogWriter() {
    drain(1.0);
    bool idle = false;
    {
        // What could not go out in that moment is given up.
        std::lock_guard lock(state_->mutex);
        state_->lost += state_->queue.size();
        state_->queue.clear();
        state_->closing = true;
        idle = !state_->writing;
    }
    state_->changed.notify_all();
    // A thread still blocked in a write keeps its own share of the state and ends with the
    // program.
    if (idle) {
        thread_.join();
    } else {
        thread_.detach();
    }
}

void LogWriter::write(std::string line) {
    line += '\n';
    {
        std::lock_guard lock(state_->mutex);
        if (state_->queue.size() >= maxQueued_) {
            ++state_->lost;
            ++state_->lostUnsaid;
            return;
        }
        state_->queue.push_back(std::move(line));
    }
    state_->changed.notify_all();
}

bool LogWriter::drain(double seconds) {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::duration<double>(seconds), [&] {
        return state_->queue.empty() && !state_->writing;
    });
}

std::uint64_t LogWriter::lost() const {
    std::lock_guard lock(state_->mutex);
    return state_->lost;
}

void LogWriter::run(int fd, std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->closing || !state->queue.empty(); });
        if (state->queue.empty()) return;  // closing with nothing left
        std::string text = std::move(state->queue.front());
        state->queue.pop_front();
        if (state->lostUnsaid > 0) {
            // Appended piece by piece: GCC 12 warns wrongly about `"literal" + std::string`.
            std::string note("(");
            note.append(std::to_string(state->lostUnsaid))
                .append(" line(s) of this log were lost: its reader did not take them)\n")
                .append(text);
            text = std::move(note);
        }
        const std::uint64_t said = state->lostUnsaid;
        state->writing = true;
        lock.unlock();
        const bool ok = writeAll(fd, text);
        lock.lock();
        state->writing = false;
        if (ok) {
            state->lostUnsaid -= said;
        } else {
            ++state->lost;
            ++state->lostUnsaid;
        }
        state->changed.notify_all();
    }
}

}  // namespace app
