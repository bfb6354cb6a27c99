#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "live/unbuffered_file.h"
#include "station/payload.h"

namespace station {

// The station's store-and-forward queue: a folder of messages on disk, each the records of
// one second, that a message leaves only when the broker has acknowledged it.
//
// Records go to the batch being filled ("<seq>-<day>.open") as they come, straight to the
// disk, so a station killed mid-second loses none of them; once a second the batch is sealed
// by renaming it "<seq>-<day>.msg". "queue-id" names the queue (made once) and "sequence"
// holds the last number given, so numbers go on across restarts. Opening the queue again
// seals what a killed program left open.
class DiskQueue {
  public:
    struct Entry {
        std::uint64_t seq = 0;
        Day day;
        std::uint64_t bytes = 0;
    };

    DiskQueue() = default;
    DiskQueue(const DiskQueue&) = delete;
    DiskQueue& operator=(const DiskQueue&) = delete;
    ~DiskQueue() { close(); }

    // Opens (or makes) the queue in folder dir. Not ok, with words, when the folder cannot
    // be made or read, or another program holds the queue.
    live::FileStatus open(const std::string& dir);
    // Closes the queue; the batch being filled stays for the next run, which sends it.
    void close();
    bool isOpen() const { return !id_.empty(); }

    const std::string& id() const { return id_; }
    const std::string& dir() const { return dir_; }

    // Adds a record to the batch being filled (which takes the day of its first record).
    // Refused, with words, when the disk does not take it or the queue is over its limit;
    // the batch then keeps what it had and its messages show a gap.
    live::FileStatus append(std::span<const char> record, const Day& day);
    // Seals the batch being filled as the next message; nullopt when it holds nothing. A
    // batch that lost records leaves a number unused after it, so the loss shows.
    std::optional<Entry> seal();

    // Messages not yet acknowledged, by number.
    const std::map<std::uint64_t, Entry>& waiting() const { return waiting_; }
    // The lowest number not yet acknowledged (the open batch's when nothing waits).
    std::uint64_t floor() const;
    // A message's records; not ok when its file cannot be read.
    live::FileStatus read(const Entry& e, std::string& out) const;
    // The broker has it.
    void remove(std::uint64_t seq);

    // Bytes waiting, the batch being filled included.
    std::uint64_t bytes() const { return bytes_; }
    std::uint64_t limit = 1000ull * 1000 * 1000;

  private:
    std::string messagePath(const Entry& e, const char* ext) const;
    live::FileStatus writeSequence();
    void removeFile(const std::string& path) const;

    std::string dir_;
    std::string id_;
    std::map<std::uint64_t, Entry> waiting_;
    std::uint64_t lastSeq_ = 0;  // the last number given to a message or gap
    std::uint64_t bytes_ = 0;
    // The batch being filled.
    live::UnbufferedFile open_;
    Entry batch_;
    bool lostRecords_ = false;
    int lockFd_ = -1;
};

}  // namespace station
