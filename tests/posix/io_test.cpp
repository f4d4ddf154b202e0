// ReadFile and WriteFile on files, pipes, sockets and devices.
#include <fcntl.h>
#include <pthread.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "posix_support.h"

namespace {

using posix_test::Fd;
using posix_test::handle_of;
using posix_test::IgnoreSigpipe;
using posix_test::Pipe;
using posix_test::TempDir;

constexpr DWORD SENTINEL = 12345;

std::vector<unsigned char> pattern(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    }
    return bytes;
}

// A thread that never takes SIGALRM, so the timer below interrupts the test's
// own thread, in its ReadFile or WriteFile.
template <typename Work>
std::thread spawn_without_alarm(Work work) {
    sigset_t alarm_only;
    sigset_t previous;
    sigemptyset(&alarm_only);
    sigaddset(&alarm_only, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm_only, &previous);
    std::thread thread(work);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

volatile sig_atomic_t interruptions = 0;

// SIGALRM every millisecond, handled without SA_RESTART: blocking system calls
// of this thread fail with EINTR or return short.
class Interrupter {
public:
    Interrupter() {
        interruptions = 0;
        struct sigaction count {};
        count.sa_handler = [](int) { interruptions = interruptions + 1; };
        sigaction(SIGALRM, &count, &previous_action_);
        const itimerval every{{0, 1000}, {0, 1000}};
        setitimer(ITIMER_REAL, &every, &previous_timer_);
    }
    Interrupter(const Interrupter&) = delete;
    Interrupter& operator=(const Interrupter&) = delete;
    ~Interrupter() {
        setitimer(ITIMER_REAL, &previous_timer_, nullptr);
        sigaction(SIGALRM, &previous_action_, nullptr);
    }

private:
    struct sigaction previous_action_ {};
    itimerval previous_timer_{};
};

std::vector<unsigned char> read_all(int fd) {
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

// ---- ReadFile ----

TEST(ReadFile, ReadsARegularFileThenGivesZeroAtItsEnd) {
    const TempDir dir;
    const Fd fd(open(dir.file("f", "hello").c_str(), O_RDONLY | O_CLOEXEC));
    char buffer[16] = {};
    DWORD received = 99;
    platform_posix::set_last_error(SENTINEL);
    ASSERT_EQ(ReadFile(fd.handle(), buffer, sizeof buffer, &received, nullptr), TRUE);
    EXPECT_EQ(received, 5u);
    EXPECT_EQ(std::string(buffer, received), "hello");
    received = 99;
    EXPECT_EQ(ReadFile(fd.handle(), buffer, sizeof buffer, &received, nullptr), TRUE);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(GetLastError(), SENTINEL);
}

TEST(ReadFile, GivesWhatThePipeHoldsBeforeReportingTheWriterGone) {
    Pipe pipe;
    ASSERT_EQ(write(pipe.write_end.get(), "ab", 2), 2);
    pipe.write_end.reset();
    char buffer[16];
    DWORD received = 99;
    ASSERT_EQ(ReadFile(pipe.read_end.handle(), buffer, sizeof buffer, &received, nullptr), TRUE);
    EXPECT_EQ(received, 2u);
    platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(ReadFile(pipe.read_end.handle(), buffer, sizeof buffer, &received, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    EXPECT_EQ(received, 0u);
}

struct EndCase {
    const char* what;
    BOOL result;
    DWORD error;  // SENTINEL: left alone
};

class ReadFileAtEnd : public testing::TestWithParam<EndCase> {};

// Makes an object whose next read finds no more data; `keep` holds what must
// stay open meanwhile.
int object_at_end(const std::string& what, const TempDir& dir, Fd& keep) {
    int fds[2] = {-1, -1};
    if (what == "EmptyRegularFile") {
        return open(dir.file("empty").c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (what == "DevNull") {
        return open("/dev/null", O_RDONLY | O_CLOEXEC);
    }
    if (what == "PipeWithoutWriter" && pipe2(fds, O_CLOEXEC) == 0) {
        close(fds[1]);
        return fds[0];
    }
    if (what == "SocketWithoutPeer" && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0) {
        close(fds[1]);
        return fds[0];
    }
    // Ctrl-D typed at a terminal in canonical mode: a read of 0 bytes, not an error.
    if (what == "TerminalEndOfFile" && openpty(&fds[0], &fds[1], nullptr, nullptr, nullptr) == 0) {
        keep.reset(fds[0]);
        if (write(fds[0], "\x04", 1) != 1) {
            return -1;
        }
        return fds[1];
    }
    return -1;
}

TEST_P(ReadFileAtEnd, EndsAsTheKindOfObjectDoesOnWindows) {
    const TempDir dir;
    Fd keep;
    const Fd fd(object_at_end(GetParam().what, dir, keep));
    ASSERT_NE(fd.get(), -1) << "cannot make " << GetParam().what;
    char buffer[16];
    DWORD received = 99;
    platform_posix::set_last_error(SENTINEL);
    EXPECT_EQ(ReadFile(fd.handle(), buffer, sizeof buffer, &received, nullptr), GetParam().result);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(GetLastError(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Posix, ReadFileAtEnd,
    testing::Values(EndCase{"EmptyRegularFile", TRUE, SENTINEL}, EndCase{"DevNull", TRUE, SENTINEL},
                    EndCase{"TerminalEndOfFile", TRUE, SENTINEL},
                    EndCase{"PipeWithoutWriter", FALSE, ERROR_BROKEN_PIPE},
                    EndCase{"SocketWithoutPeer", FALSE, ERROR_BROKEN_PIPE}),
    posix_test::CaseName());

TEST(ReadFile, ReadsALineTypedAtATerminal) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const Fd master_fd(master);
    const Fd slave_fd(slave);
    ASSERT_EQ(write(master, "xyz\n", 4), 4);
    char buffer[16];
    DWORD received = 0;
    ASSERT_EQ(ReadFile(slave_fd.handle(), buffer, sizeof buffer, &received, nullptr), TRUE);
    EXPECT_EQ(std::string(buffer, received), "xyz\n");
}

TEST(ReadFile, ZeroBytesFromAPipeWithoutWriterIsNoEnd) {
    Pipe pipe;
    pipe.write_end.reset();
    char buffer[1];
    DWORD received = 99;
    EXPECT_EQ(ReadFile(pipe.read_end.handle(), buffer, 0, &received, nullptr), TRUE);
    EXPECT_EQ(received, 0u);
}

TEST(ReadFile, RefusedReadsGiveTheWin32Code) {
    const TempDir dir;
    const Fd write_only(open("/dev/null", O_WRONLY | O_CLOEXEC));
    const Fd folder(open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int closed = open("/dev/null", O_RDONLY | O_CLOEXEC);
    close(closed);
    const struct {
        const char* what;
        HANDLE handle;
        DWORD error;
    } cases[] = {
        {"write-only", write_only.handle(), ERROR_ACCESS_DENIED},
        {"folder", folder.handle(), ERROR_ACCESS_DENIED},
        {"closed", handle_of(closed), ERROR_INVALID_HANDLE},
        {"invalid", INVALID_HANDLE_VALUE, ERROR_INVALID_HANDLE},
        {"null", nullptr, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        char buffer[4];
        DWORD received = 99;
        platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(ReadFile(c.handle, buffer, sizeof buffer, &received, nullptr), FALSE) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(received, 0u) << c.what;
    }
}

TEST(ReadFile, WaitsOnANonBlockingPipe) {
    Pipe pipe;
    ASSERT_EQ(fcntl(pipe.read_end.get(), F_SETFL, O_NONBLOCK), 0);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        (void)!write(pipe.write_end.get(), "late", 4);
    });
    char buffer[16];
    DWORD received = 0;
    const BOOL ok = ReadFile(pipe.read_end.handle(), buffer, sizeof buffer, &received, nullptr);
    writer.join();
    EXPECT_EQ(ok, TRUE);
    EXPECT_EQ(std::string(buffer, received), "late");
}

TEST(ReadFile, GoesOnAfterASignalInterruptsTheWait) {
    Pipe pipe;
    std::thread writer = spawn_without_alarm([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        (void)!write(pipe.write_end.get(), "late", 4);
    });
    char buffer[16];
    DWORD received = 0;
    BOOL ok = FALSE;
    {
        const Interrupter interrupter;
        ok = ReadFile(pipe.read_end.handle(), buffer, sizeof buffer, &received, nullptr);
    }
    writer.join();
    EXPECT_GT(interruptions, 0);
    EXPECT_EQ(ok, TRUE) << "last error " << GetLastError();
    EXPECT_EQ(std::string(buffer, received), "late");
}

// ---- WriteFile ----

TEST(WriteFile, WritesARegularFile) {
    const TempDir dir;
    const std::string name = dir.file("out");
    {
        const Fd fd(open(name.c_str(), O_WRONLY | O_CLOEXEC));
        DWORD written = 0;
        platform_posix::set_last_error(SENTINEL);
        ASSERT_EQ(WriteFile(fd.handle(), "abc\r\n", 5, &written, nullptr), TRUE);
        EXPECT_EQ(written, 5u);
        EXPECT_EQ(GetLastError(), SENTINEL);
    }
    const Fd fd(open(name.c_str(), O_RDONLY | O_CLOEXEC));
    const auto bytes = read_all(fd.get());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abc\r\n");
}

TEST(WriteFile, RefusedWritesGiveTheWin32Code) {
    const IgnoreSigpipe ignore;
    const TempDir dir;
    const Fd full(open("/dev/full", O_WRONLY | O_CLOEXEC));
    const Fd read_only(open(dir.file("r", "x").c_str(), O_RDONLY | O_CLOEXEC));
    Pipe pipe;
    pipe.read_end.reset();
    const int closed = open("/dev/null", O_RDONLY | O_CLOEXEC);
    close(closed);
    const struct {
        const char* what;
        HANDLE handle;
        DWORD error;
    } cases[] = {
        {"/dev/full", full.handle(), ERROR_DISK_FULL},
        {"pipe without reader", pipe.write_end.handle(), ERROR_NO_DATA},
        {"read-only", read_only.handle(), ERROR_ACCESS_DENIED},
        {"closed", handle_of(closed), ERROR_INVALID_HANDLE},
        {"invalid", INVALID_HANDLE_VALUE, ERROR_INVALID_HANDLE},
        {"null", nullptr, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        DWORD written = 99;
        platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(WriteFile(c.handle, "data", 4, &written, nullptr), FALSE) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(written, 0u) << c.what;
    }
}

TEST(WriteFile, ZeroBytesSucceedWithoutWritingButNeedAnOpenHandle) {
    const Fd full(open("/dev/full", O_WRONLY | O_CLOEXEC));
    DWORD written = 99;
    EXPECT_EQ(WriteFile(full.handle(), "x", 0, &written, nullptr), TRUE);
    EXPECT_EQ(written, 0u);
    platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(WriteFile(INVALID_HANDLE_VALUE, "x", 0, &written, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

constexpr size_t MEBIBYTE = size_t{1} << 20;

// WriteFile of `size` pattern bytes to a pipe that another thread drains;
// the drained bytes must be all of them, in order.
void expect_whole_write_through_pipe(Pipe& pipe, size_t size, bool interrupt) {
    const auto bytes = pattern(size);
    std::vector<unsigned char> drained;
    std::thread reader = spawn_without_alarm([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(interrupt ? 100 : 10));
        drained = read_all(pipe.read_end.get());
    });
    DWORD written = 0;
    BOOL ok = FALSE;
    {
        const auto interrupter = interrupt ? std::make_unique<Interrupter>() : nullptr;
        ok = WriteFile(pipe.write_end.handle(), bytes.data(), static_cast<DWORD>(size), &written,
                       nullptr);
    }
    pipe.write_end.reset();
    reader.join();
    EXPECT_EQ(ok, TRUE) << "last error " << GetLastError();
    EXPECT_EQ(written, size);
    EXPECT_TRUE(drained == bytes) << "drained " << drained.size() << " of " << size << " bytes";
}

TEST(WriteFile, DeliversAWholeMebibyteThroughAPipe) {
    Pipe pipe;
    expect_whole_write_through_pipe(pipe, MEBIBYTE, false);
}

TEST(WriteFile, WaitsOnANonBlockingPipe) {
    Pipe pipe;
    ASSERT_EQ(fcntl(pipe.write_end.get(), F_SETFL, O_NONBLOCK), 0);
    expect_whole_write_through_pipe(pipe, MEBIBYTE, false);
}

TEST(WriteFile, GoesOnAfterSignalsInterruptAndShortenWrites) {
    Pipe pipe;
    expect_whole_write_through_pipe(pipe, MEBIBYTE, true);
    EXPECT_GT(interruptions, 0);
}

TEST(WriteFile, CountsTheBytesWrittenBeforeTheReaderLeft) {
    const IgnoreSigpipe ignore;
    constexpr size_t TAKEN = 100000;
    Pipe pipe;
    std::thread reader([&] {
        std::vector<unsigned char> chunk(TAKEN);
        size_t total = 0;
        while (total < TAKEN) {
            const ssize_t n = read(pipe.read_end.get(), chunk.data(), TAKEN - total);
            if (n <= 0) {
                break;
            }
            total += static_cast<size_t>(n);
        }
        pipe.read_end.reset();
    });
    const auto bytes = pattern(MEBIBYTE);
    DWORD written = 0;
    platform_posix::set_last_error(NO_ERROR);
    const BOOL ok = WriteFile(pipe.write_end.handle(), bytes.data(), static_cast<DWORD>(bytes.size()),
                              &written, nullptr);
    reader.join();
    EXPECT_EQ(ok, FALSE);
    EXPECT_EQ(GetLastError(), ERROR_NO_DATA);
    EXPECT_GE(written, TAKEN);
    EXPECT_LT(written, MEBIBYTE);
}

}  // namespace
