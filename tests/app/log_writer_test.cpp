#include "app/log_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>

namespace {

std::string readAll(int fd) {
    std::string s;
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) s.append(buf, static_cast<std::size_t>(n));
    return s;
}

// A reader that stops reading: lines beyond the queue are dropped and counted, never waited
// for; once the reader reads again, the count goes out before the next line.
TEST(LogWriter, LinesAReaderDoesNotTakeAreCountedAndSaidWhenItReadsAgain) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[1], F_SETPIPE_SZ, 4096);
    {
        app::LogWriter log(fds[1], 4);
        const std::string line(3000, 'a');
        for (int i = 0; i < 40; ++i) log.write(line);  // far more than the pipe and queue hold
        EXPECT_FALSE(log.drain(0.2));
        const std::uint64_t lost = log.lost();
        EXPECT_GT(lost, 20u);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        // The reader reads again, until everything queued has gone out.
        std::string got;
        for (int i = 0; i < 100 && !log.drain(0.02); ++i) got += readAll(fds[0]);
        ASSERT_TRUE(log.drain(0));
        log.write("after");
        ASSERT_TRUE(log.drain(2));
        got += readAll(fds[0]);
        std::string note("(");
        note.append(std::to_string(lost)).append(" line(s) of this log were lost");
        EXPECT_NE(got.find(note), std::string::npos) << got.substr(0, 200);
        EXPECT_TRUE(got.ends_with("after\n"));
    }
    // A reader gone for good: writing is no error and nothing waits (the program ignores
    // SIGPIPE, as the headless runner does).
    std::signal(SIGPIPE, SIG_IGN);
    ::close(fds[0]);
    {
        app::LogWriter log(fds[1]);
        log.write("nobody reads this");
        EXPECT_TRUE(log.drain(2));
        EXPECT_EQ(log.lost(), 1u);
    }
    ::close(fds[1]);
}

}  // namespace
