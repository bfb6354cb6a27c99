#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace app {

// The station's log on one output (standard output or error, given by its file descriptor),
// written from a thread of its own. Logging must never stop or end the recording: a reader
// that stops reading (a full pipe, a stalled terminal) holds up only this thread, and one that
// has gone away (a broken pipe) only loses lines. Lines that cannot be written, or that find
// the queue full, are dropped and counted; the count is written as soon as a line goes through
// again.
class LogWriter {
  public:
    explicit LogWriter(int fd, std::size_t maxQueued = 4096);
    // Waits a moment for the lines still queued; a writer held up by its reader is left behind.
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Queues a line (a newline is added); never blocks.
    void write(std::string line);
    // Waits until every queued line is written or seconds pass; true when all went out.
    bool drain(double seconds);
    // Lines dropped so far.
    std::uint64_t lost() const;

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::string> queue;
        bool writing = false;  // a line is being written
        bool closing = false;
        std::uint64_t lost = 0;
        std::uint64_t lostUnsaid = 0;
    };
    static void run(int fd, std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::size_t maxQueued_;
    std::thread thread_;
};

}  // namespace app
