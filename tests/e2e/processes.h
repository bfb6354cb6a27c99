#pragma once
// The end-to-end tests' hands: a scratch directory, child processes that are always reaped,
// a pseudo-terminal the test holds itself, and bounded waits. Nothing here may block for
// long: every wait has a deadline, and a child still running when its test ends is killed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

// The directory that holds fathomhost and fathomsim.
inline fs::path binDir() {
    if (const char* dir = std::getenv("FATHOM_BIN_DIR"); dir && *dir) return dir;
    return fs::canonical("/proc/self/exe").parent_path().parent_path();
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Polls until done() is true or the seconds run out; returns done().
inline bool waitFor(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A fresh directory, removed with everything in it at the end of the test.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "fathom_e2e_XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    bool ok() const { return !path_.empty(); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

// A child process with its standard output and error in files. Killed and reaped when it goes
// out of scope, whatever happened to the test.
class Child {
  public:
    // stdoutFd, when given, is the child's standard output instead of outFile (a pipe the
    // test holds).
    Child(const std::vector<std::string>& args, std::string outFile, std::string errFile,
          int stdoutFd = -1)
        : out_(std::move(outFile)), err_(std::move(errFile)) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (stdoutFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (running()) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0 && !reaped_; }
    void signal(int sig) const {
        if (running()) ::kill(pid_, sig);
    }
    // Waits for the exit; false when the child is still running after `seconds`.
    bool wait(double seconds) {
        if (!started()) return false;
        return waitFor(
            [this] {
                if (reaped_) return true;
                int status = 0;
                if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
                reaped_ = true;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
                return true;
            },
            seconds);
    }
    // Exit status once reaped; a signal that ended it comes as its negative number.
    int exitCode() const { return code_; }
    std::string out() const { return readFile(out_); }
    std::string err() const { return readFile(err_); }

  private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int code_ = -1000;
    std::string out_, err_;
};

// fathomsim on its own pty, logging what it sends to `log`. The program is given a link to
// the pty in the test's own directory, as a station is given /dev/serial/by-id/...: the pty's
// number goes back to the system when the simulator ends and another test's simulator may get
// it, and a program still reopening its lost port by that number would read the other test's
// bytes. The link goes with the simulator (pull() removes it), so nothing reaches another test.
class Simulator {
  public:
    Simulator(const ScratchDir& dir, const std::string& name, std::vector<std::string> args)
        : log_(dir / (name + ".bin")) {
        const auto given = std::find(args.begin(), args.end(), "--link");
        if (given != args.end() && given + 1 != args.end()) {
            link_ = *(given + 1);
        } else {
            link_ = dir / (name + ".tty");
            args.insert(args.end(), {"--link", link_});
        }
        args.insert(args.begin(), (binDir() / "fathomsim").string());
        args.push_back("--log");
        args.push_back(log_);
        child_.emplace(args, dir / (name + ".out"), dir / (name + ".err"));
        waitFor([this] { return child().out().find('\n') != std::string::npos; }, 5);
        if (child().out().find('\n') != std::string::npos) path_ = link_;
    }
    Child& child() { return *child_; }
    const std::string& path() const { return path_; }  // empty when it did not start
    std::string log() const { return readFile(log_); }
    // Stops it as an operator would; the log is complete afterwards.
    bool stop() {
        child().signal(SIGTERM);
        return child().wait(5) && child().exitCode() == 0;
    }
    // The instrument unplugged: gone at once, with no goodbye on the line, and its name too.
    bool pull() {
        child().signal(SIGKILL);
        const bool gone = child().wait(3);
        std::error_code ignored;
        fs::remove(link_, ignored);
        return gone;
    }

  private:
    std::optional<Child> child_;
    std::string log_, link_, path_;
};

// A simulated instrument's variant and seed, which an end-to-end test runs across. The seeds
// are 1 to ciSeeds (`make test`), or 1 to FATHOM_SEEDS when that is set (`make variants
// SEEDS=N`).
struct Play {
    std::string variant;
    unsigned seed = 1;
    // fathomsim's options for it.
    std::vector<std::string> args() const {
        return {"--variant", variant, "--seed", std::to_string(seed)};
    }
};

// Variants whose seed changes nothing of what a test sees give a most: seeds beyond it are
// the same run again.
inline std::vector<Play> plays(std::initializer_list<const char*> variants, unsigned ciSeeds = 2,
                               unsigned most = 0) {
    unsigned seeds = ciSeeds;
    if (const char* n = std::getenv("FATHOM_SEEDS"); n && std::atoi(n) > 0)
        seeds = static_cast<unsigned>(std::atoi(n));
    if (most > 0) seeds = std::min(seeds, most);
    std::vector<Play> all;
    for (const char* v : variants)
        for (unsigned seed = 1; seed <= seeds; ++seed) all.push_back({v, seed});
    return all;
}

// Test names such as "comma_seed2", so that a failure names the variant and seed to replay.
inline std::string playName(const ::testing::TestParamInfo<Play>& info) {
    std::string name = info.param.variant + "_seed" + std::to_string(info.param.seed);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}
inline void PrintTo(const Play& p, std::ostream* os) {
    *os << "--variant " << p.variant << " --seed " << p.seed;
}

// fathomhost --headless with the given options.
inline std::vector<std::string> hostArgs(std::vector<std::string> options) {
    options.insert(options.begin(), "--headless");
    options.insert(options.begin(), (binDir() / "fathomhost").string());
    return options;
}

// A pseudo-terminal of the test's own: the program opens the slave as a serial port, the test
// reads the master. The slave is held open too, so the master never reads a hang-up.
class TestPty {
  public:
    TestPty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        slavePath_ = ptsname(master_);
        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
    }
    ~TestPty() {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    TestPty(const TestPty&) = delete;
    TestPty& operator=(const TestPty&) = delete;
    bool ok() const { return slave_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    // Everything the master can read now, appended to received().
    void drain() {
        pollfd p{master_, POLLIN, 0};
        while (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            received_.append(buf, static_cast<std::size_t>(n));
        }
    }
    const std::string& received() const { return received_; }
    // Writes bytes into the line as an instrument would; false when the reader did not take
    // them all within `seconds`.
    bool send(const std::string& bytes, double seconds = 5) {
        std::size_t done = 0;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (done < bytes.size()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            pollfd p{master_, POLLOUT, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            // Small writes: a blocking master takes a few kilobytes without waiting for the
            // reader, never the whole rest.
            const ssize_t n = ::write(master_, bytes.data() + done,
                                      std::min<std::size_t>(bytes.size() - done, 1024));
            if (n > 0) done += static_cast<std::size_t>(n);
        }
        return true;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string received_;
};

}  // namespace e2e
