// ReadFile and WriteFile when the wait on a non-blocking descriptor fails:
// this test program's own poll fails on request, so the wait ends in a
// failed transfer, never in a spin, a hang or a success.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "posix_support.h"

namespace {

int poll_error = 0;  // while not 0, poll fails with it
int failed_polls = 0;

}  // namespace

// Takes the place of the C library's poll in this program, the emulation's
// calls included; otherwise it waits as the real one does.
extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
    if (poll_error != 0) {
        if (++failed_polls > 100) {
            std::fputs("poll failed 100 times over: the wait retries a failing poll\n", stderr);
            std::abort();
        }
        errno = poll_error;
        return -1;
    }
    const timespec limit{timeout / 1000, timeout % 1000 * 1000000L};
    return ppoll(fds, count, timeout < 0 ? nullptr : &limit, nullptr);
}

namespace {

using posix_test::pattern;
using posix_test::Pipe;

// Makes poll fail with `error` for its lifetime; a wait that hangs instead
// ends the test program by SIGALRM.
class PollFails {
public:
    explicit PollFails(int error) {
        poll_error = error;
        failed_polls = 0;
        alarm(10);
    }
    PollFails(const PollFails&) = delete;
    PollFails& operator=(const PollFails&) = delete;
    ~PollFails() {
        alarm(0);
        poll_error = 0;
    }
};

TEST(FailingPoll, EndsTheReadOfAnEmptyNonBlockingPipe) {
    Pipe pipe;
    ASSERT_EQ(fcntl(pipe.read_end.get(), F_SETFL, O_NONBLOCK), 0);
    const PollFails failing(ENOMEM);
    char buffer[16];
    DWORD received = 99;
    lintop::platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(ReadFile(pipe.read_end.handle(), buffer, sizeof buffer, &received, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(failed_polls, 1);
}

TEST(FailingPoll, EndsTheWriteToAFullNonBlockingPipeAndCountsWhatWent) {
    Pipe pipe;
    ASSERT_EQ(fcntl(pipe.write_end.get(), F_SETFL, O_NONBLOCK), 0);
    const std::string bytes = pattern(size_t{1} << 20);  // more than a pipe holds
    DWORD written = 0;
    {
        const PollFails failing(EINVAL);
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(WriteFile(pipe.write_end.handle(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr),
                  FALSE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(failed_polls, 1);
    }
    pipe.write_end.reset();
    const std::string drained = posix_test::read_all(pipe.read_end.get());
    EXPECT_GT(written, 0u);
    EXPECT_EQ(drained, bytes.substr(0, written));
}

}  // namespace
