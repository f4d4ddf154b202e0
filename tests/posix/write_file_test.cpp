// WriteFile on files, pipes and devices.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "posix_support.h"

namespace posix_test {
namespace {

TEST(WriteFile, WritesARegularFile) {
    const TempDir dir;
    const std::string name = dir.file("out");
    {
        const Fd fd(open(name.c_str(), O_WRONLY | O_CLOEXEC));
        DWORD written = 0;
        lintop::platform_posix::set_last_error(SENTINEL);
        ASSERT_EQ(WriteFile(fd.handle(), "abc\r\n", 5, &written, nullptr), TRUE);
        EXPECT_EQ(written, 5u);
        EXPECT_EQ(GetLastError(), SENTINEL);
    }
    const Fd fd(open(name.c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(read_all(fd.get()), "abc\r\n");
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
    expect_refusals(
        {
            {"/dev/full", full.handle(), ERROR_DISK_FULL},
            {"pipe without reader", pipe.write_end.handle(), ERROR_NO_DATA},
            {"read-only", read_only.handle(), ERROR_ACCESS_DENIED},
            {"closed", handle_of(closed), ERROR_INVALID_HANDLE},
            {"invalid", INVALID_HANDLE_VALUE, ERROR_INVALID_HANDLE},
            {"null", nullptr, ERROR_INVALID_HANDLE},
        },
        [](HANDLE handle, DWORD* written) { return WriteFile(handle, "data", 4, written, nullptr); });
}

TEST(WriteFile, ZeroBytesSucceedWithoutWritingButNeedAnOpenHandle) {
    const Fd full(open("/dev/full", O_WRONLY | O_CLOEXEC));
    DWORD written = 99;
    EXPECT_EQ(WriteFile(full.handle(), "x", 0, &written, nullptr), TRUE);
    EXPECT_EQ(written, 0u);
    lintop::platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(WriteFile(INVALID_HANDLE_VALUE, "x", 0, &written, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

constexpr size_t MEBIBYTE = size_t{1} << 20;

// WriteFile of `size` pattern bytes to a pipe that another thread drains;
// the drained bytes must be all of them, in order.
void expect_whole_write_through_pipe(Pipe& pipe, size_t size, bool interrupt) {
    const auto bytes = pattern(size);
    std::string drained;
    std::thread reader = spawn_without_alarm([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(interrupt ? 100 : 10));
        drained = read_all(pipe.read_end.get());
    });
    DWORD written = 0;
    BOOL ok = FALSE;
    {
        const auto interrupter = interrupt ? std::make_unique<Interrupter>() : nullptr;
        ok = WriteFile(pipe.write_end.handle(), bytes.data(), static_cast<DWORD>(size), &written, nullptr);
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
    lintop::platform_posix::set_last_error(NO_ERROR);
    const BOOL ok =
        WriteFile(pipe.write_end.handle(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    reader.join();
    EXPECT_EQ(ok, FALSE);
    EXPECT_EQ(GetLastError(), ERROR_NO_DATA);
    EXPECT_GE(written, TAKEN);
    EXPECT_LT(written, MEBIBYTE);
}

}  // namespace
}  // namespace posix_test
