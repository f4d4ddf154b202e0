// The same copy whatever stdout is: a pipe, a file, a terminal, a device that
// refuses writes, a pipe nobody reads; and stdin plays no part.
#include <gtest/gtest.h>

#include "bytes.h"
#include "case_name.h"
#include "file_case.h"
#include "harness.h"

namespace e2e {
namespace {

using namespace std::string_literals;

// Output of many 4096-byte stream buffers, whose seams must neither lose nor
// repeat a byte: lines of 11 bytes never fill a buffer evenly, so the seams
// fall inside lines.
const FileCase LARGE{"large", lines(1, 10000, "\n"), {"-9999", INPUT}, lines(1, 9999, "\r\n")};

// A little of everything that the text translation touches.
const FileCase MIXED{"mixed",
                     "a\r\nb\nc\rd\n\0e\n\xff\n"s + pattern(5000) + "\r\nlast",
                     {INPUT},
                     "a\r\nb\r\nc\rd\r\n\0e\r\n\xff\r\n"s + pattern(5000) + "\r\nlast"};

TEST(StdoutPipe, LargeOutputKeepsEveryByteOnce) {
    check_file_case(LARGE, StdoutTarget::PIPE);
}

TEST(StdoutFile, LargeOutputSameAsPipe) {
    check_file_case(LARGE, StdoutTarget::FILE);
}

TEST(StdoutFile, MixedContentSameAsPipe) {
    check_file_case(MIXED, StdoutTarget::FILE);
}

class StdoutTerminal : public ::testing::TestWithParam<FileCase> {
protected:
    void SetUp() override {
        if (has_runner()) {
            GTEST_SKIP() << PTY_UNDER_RUNNER;
        }
    }
};

TEST_P(StdoutTerminal, SameBytesAsPipe) {
    check_file_case(GetParam(), StdoutTarget::PTY);
}

INSTANTIATE_TEST_SUITE_P(Table, StdoutTerminal, ::testing::Values(MIXED, LARGE), test_support::CaseName());

// Copies that stdout refuses. A refusal cuts the copy short: status 3 and one
// report line. A reader that went away is its own choice: status 0 and
// silence. Either way the process is not killed (no SIGPIPE death on a closed
// pipe, no SIGXFSZ death past a file-size limit).
struct Refusal {
    std::string name;
    StdoutTarget target;
    std::string file;
    int status;
    std::string report;
    std::optional<unsigned long> file_size_limit = std::nullopt;
};

void PrintTo(const Refusal& c, std::ostream* os) {
    *os << c.name;
}

class RefusedWrites : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedWrites, ReportedUnlessTheReaderWentAway) {
    if (GetParam().file_size_limit && has_runner()) {
        GTEST_SKIP() << "a file-size limit is a POSIX matter";
    }
    ScratchDir dir;
    RunOptions options;
    options.cwd = dir.path();
    options.args = {"-100000", dir.write("input.txt", GetParam().file)};
    options.stdout_target = GetParam().target;
    options.file_size_limit = GetParam().file_size_limit;
    RunResult result = run(options);
    EXPECT_FALSE(result.signaled) << "killed by signal " << result.signal;
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_TRUE(same_bytes(result.err, GetParam().report));
    const std::string whole = lines(1, 10000, "\r\n");
    EXPECT_EQ(result.out, whole.substr(0, result.out.size()));
}

// Under 4096 bytes of output the refusal comes only with the write-out at
// exit; more than that meets it while copying.
const std::string NO_SPACE = "standard output: No space left on device\r\n";
INSTANTIATE_TEST_SUITE_P(
    Table, RefusedWrites,
    ::testing::Values(Refusal{"dev_full_small", StdoutTarget::DEV_FULL, "a\nb\n", 3, NO_SPACE},
                      Refusal{"dev_full_large", StdoutTarget::DEV_FULL, lines(1, 10000, "\n"), 3, NO_SPACE},
                      Refusal{"closed_pipe_small", StdoutTarget::CLOSED_PIPE, "a\nb\n", 0, ""},
                      Refusal{"closed_pipe_large", StdoutTarget::CLOSED_PIPE, lines(1, 10000, "\n"), 0, ""},
                      Refusal{"file_size_limit", StdoutTarget::FILE, lines(1, 10000, "\n"), 3, NO_SPACE, 8192}),
    test_support::CaseName());

TEST(Stdin, PlaysNoPartInTheCopy) {
    ScratchDir dir;
    RunOptions options;
    options.cwd = dir.path();
    options.args = {"-3", dir.write("input.txt", "a\nb\n")};
    options.stdin_bytes = repeat("stdin line\r\n\x1a", 1000);
    RunResult result = run(options);
    EXPECT_TRUE(produced(result, "a\r\nb\r\n", "", 0));
}

}  // namespace
}  // namespace e2e
