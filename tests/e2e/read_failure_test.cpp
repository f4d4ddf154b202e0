// A read of the input that fails in the middle of the data: the input is the
// terminal side of a pseudo-terminal whose other side closes after two lines,
// so the next read fails with EIO. The lines read before it are copied, then
// one report line and status 3.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bytes.h"
#include "harness.h"

namespace e2e {
namespace {

// The process other than this one that has `path` open, or -1.
long opener_of(const std::string& path) {
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(getpid())) {
            continue;
        }
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", error)) {
            if (std::filesystem::read_symlink(fd.path(), error) == path) {
                return std::stol(pid);
            }
        }
    }
    return -1;
}

// The bytes a process has read so far, by the kernel's count.
long bytes_read(long pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string field;
    long value = -1;
    while (io >> field >> value) {
        if (field == "rchar:") {
            return value;
        }
    }
    return -1;
}

// Waits until `ready` holds, for at most a minute.
template <typename Test>
bool wait_for(Test ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(ReadFailure, CopiesTheBytesBeforeItThenReportsWithStatusThree) {
    if (under_wine()) {
        GTEST_SKIP() << PTY_UNDER_WINE;
    }
    // Close-on-exec: lintop must not hold the other side open itself.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    // The lines go in once lintop holds the terminal open, and the other side
    // closes once it has read them (a hang-up drops unread input); every read
    // after them fails.
    std::thread other_side([&] {
        long pid = -1;
        EXPECT_TRUE(wait_for([&] { return (pid = opener_of(terminal)) > 0; }));
        const long before = bytes_read(pid);
        EXPECT_EQ(write(master, "one\ntwo\n", 8), 8);
        EXPECT_TRUE(wait_for([&] { return bytes_read(pid) >= before + 8; }));
        close(master);
    });
    RunOptions options;
    options.args = {terminal};
    options.timeout = std::chrono::seconds(60);
    const RunResult result = run(options);
    other_side.join();
    EXPECT_EQ(result.status, 3);
    EXPECT_TRUE(same_bytes(result.out, "one\r\ntwo\r\n"));
    // EIO reaches the report through the platform's device-fault code, which
    // is classified with the access failures.
    EXPECT_TRUE(same_bytes(result.err, terminal + ": Permission denied\r\n"));
}

}  // namespace
}  // namespace e2e
