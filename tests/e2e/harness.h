// Runs the program under test as a separate process and captures what it
// does: stdout bytes, stderr bytes, exit status, or the signal that killed it.
//
// The program comes from the environment, so one suite serves every build:
//   LINTOP_PROGRAM         path of the program under test (required)
//   LINTOP_RUNNER          optional command prefix placed before it: "wine" for
//                          lintop.exe, or qemu-user for another processor
//   LINTOP_WORK            scratch folder for the tests' files
//   LINTOP_NATIVE_PROGRAM  optional native build, run without the runner, for
//                          comparing the two builds
//
// Typical use:
//   e2e::ScratchDir dir;                       // a fresh folder under LINTOP_WORK
//   dir.write("in.txt", "a\nb\n");
//   e2e::RunOptions options;
//   options.args = {"-1", "in.txt"};
//   options.cwd = dir.path();                  // names stay relative (Wine has no
//                                              // Unix absolute paths)
//   e2e::RunResult result = e2e::run(options);
//   EXPECT_EQ(result.out, "a\r\n");
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "temp_dir.h"

namespace e2e {

// Where the child's stdout goes.
enum class StdoutTarget {
    PIPE,          // a pipe, read by the harness
    FILE,          // a regular file, read back after the child has ended
    PTY,           // the slave side of a pseudo-terminal in raw mode (a character device)
    DEV_FULL,      // /dev/full: a character device that refuses every write
    CLOSED_PIPE,   // a pipe whose read end is closed before the child starts
    RESET_SOCKET,  // a TCP socket whose reader closed with bytes unread: the first write fails (ECONNRESET)
    CLOSED,        // none: descriptor 1 is closed in the child
};

// Which program to start.
enum class Build {
    UNDER_TEST,  // LINTOP_PROGRAM behind LINTOP_RUNNER
    NATIVE,      // LINTOP_NATIVE_PROGRAM, no runner; only when has_native_build()
};

struct RunOptions {
    std::vector<std::string> args;  // the arguments after the program's name
    StdoutTarget stdout_target = StdoutTarget::PIPE;
    // Bytes fed to stdin through a pipe; none means stdin is /dev/null.
    std::optional<std::string> stdin_bytes;
    // The child's working directory; empty means LINTOP_WORK.
    std::filesystem::path cwd;
    Build build = Build::UNDER_TEST;
    // The child is killed when it runs longer than this.
    std::chrono::seconds timeout{180};
    // A file-size limit for the child (RLIMIT_FSIZE, in bytes), as `ulimit -f` sets.
    std::optional<unsigned long> file_size_limit;
    // "NAME=value" entries that the child gets in place of the harness's own.
    std::vector<std::string> environment;
};

struct RunResult {
    std::string out;  // stdout bytes; empty for DEV_FULL, CLOSED_PIPE and RESET_SOCKET
    std::string err;  // stderr bytes
    int status = -1;  // exit status; -1 when the child did not exit normally
    bool signaled = false;
    int signal = 0;  // the signal that ended the child when signaled
    bool timed_out = false;

    // Each read of stdout as it reached the harness (PIPE and PTY only): when,
    // and how many bytes had arrived by then in all.
    struct Arrival {
        std::chrono::steady_clock::time_point at;
        size_t total;
    };
    std::vector<Arrival> out_arrivals;

    // The number of stdout bytes that had arrived before a moment.
    size_t out_before(std::chrono::steady_clock::time_point moment) const;
};

// Starts the program, waits for it to end and returns what it produced. Both
// output pipes are drained concurrently, so no amount of output deadlocks.
// The child starts with SIGPIPE at its default action and no signal blocked,
// whatever the harness itself does with them. Throws std::runtime_error when
// the program cannot be started (LINTOP_PROGRAM unset, no such file, ...).
RunResult run(const RunOptions& options);

// True when the runner is Wine: the program under test is lintop.exe, which
// meets Windows' answers and Wine's console and FIFOs. Under any other runner
// (qemu-user running a Linux build for another processor) every native
// expectation holds.
bool under_wine();

// The reason for skipping terminal cases under Wine: it puts its own console
// emulation between the program and a pseudo-terminal (cursor escape
// sequences around each write, CR taken as a cursor move), so the bytes that
// arrive are not the program's.
inline constexpr const char* PTY_UNDER_WINE = "under Wine a pseudo-terminal is an emulated console";

// True when LINTOP_NATIVE_PROGRAM names a build to compare against.
bool has_native_build();

// LINTOP_WORK as an absolute path.
std::filesystem::path work_root();

// A fresh folder under LINTOP_WORK (see test_support::TempDir). The program
// runs in it and is given its files' names there: Wine has no Unix absolute
// paths.
struct ScratchDir : test_support::TempDir {
    ScratchDir() : TempDir(work_root()) {}
};

// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::filesystem::path& path);

// Makes a write to a pipe without a reader fail with EPIPE in the harness
// instead of killing the test process. Children get SIGPIPE back at its default.
void ignore_sigpipe();

}  // namespace e2e
