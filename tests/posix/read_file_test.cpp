// ReadFile on files, pipes, sockets, terminals and devices.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "case_name.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "posix_support.h"

namespace posix_test {
namespace {

TEST(ReadFile, ReadsARegularFileThenGivesZeroAtItsEnd) {
    const TempDir dir;
    const Fd fd(open(dir.file("f", "hello").c_str(), O_RDONLY | O_CLOEXEC));
    char buffer[16] = {};
    DWORD received = 99;
    lintop::platform_posix::set_last_error(SENTINEL);
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
    lintop::platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(ReadFile(pipe.read_end.handle(), buffer, sizeof buffer, &received, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    EXPECT_EQ(received, 0u);
}

// An object whose next read finds no more data (see Object for the kinds).
struct EndCase : test_support::NamedCase {
    BOOL result;
    DWORD error;  // SENTINEL: left alone
};

class ReadFileAtEnd : public testing::TestWithParam<EndCase> {};

TEST_P(ReadFileAtEnd, EndsAsTheKindOfObjectDoesOnWindows) {
    const Object object(GetParam().name);
    ASSERT_NE(object.fd(), -1) << "cannot make " << GetParam().name;
    char buffer[16];
    DWORD received = 99;
    lintop::platform_posix::set_last_error(SENTINEL);
    EXPECT_EQ(ReadFile(object.handle(), buffer, sizeof buffer, &received, nullptr), GetParam().result);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(GetLastError(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Posix, ReadFileAtEnd,
                         testing::Values(EndCase{"EmptyRegularFile", TRUE, SENTINEL},
                                         EndCase{"DevNull", TRUE, SENTINEL},
                                         EndCase{"TerminalEndOfFile", TRUE, SENTINEL},
                                         EndCase{"PipeWithoutWriter", FALSE, ERROR_BROKEN_PIPE},
                                         EndCase{"SocketWithoutPeer", FALSE, ERROR_BROKEN_PIPE}),
                         test_support::CaseName());

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
    expect_refusals(
        {
            {"write-only", write_only.handle(), ERROR_ACCESS_DENIED},
            {"folder", folder.handle(), ERROR_ACCESS_DENIED},
            {"closed", handle_of(closed), ERROR_INVALID_HANDLE},
            {"invalid", INVALID_HANDLE_VALUE, ERROR_INVALID_HANDLE},
            {"null", nullptr, ERROR_INVALID_HANDLE},
        },
        [](HANDLE handle, DWORD* received) {
            char buffer[4];
            return ReadFile(handle, buffer, sizeof buffer, received, nullptr);
        });
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

}  // namespace
}  // namespace posix_test
