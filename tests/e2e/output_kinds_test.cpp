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

// Copies that stdout refuses: the status stays 0, nothing is reported, and
// the process is not killed (no SIGPIPE death on a closed pipe).
struct Refusal : test_support::NamedCase {
    StdoutTarget target;
    std::string file;
};

class RefusedWrites : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedWrites, StatusZeroAndSilent) {
    ScratchDir dir;
    RunOptions options;
    options.cwd = dir.path();
    options.args = {"-100000", dir.write("input.txt", GetParam().file)};
    options.stdout_target = GetParam().target;
    RunResult result = run(options);
    EXPECT_FALSE(result.signaled) << "killed by signal " << result.signal;
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(same_bytes(result.err, ""));
}

// Under 4096 bytes of output the refusal comes only with the write-out at
// exit; more than that meets it while copying.
INSTANTIATE_TEST_SUITE_P(Table, RefusedWrites,
                         ::testing::Values(Refusal{"dev_full_small", StdoutTarget::DEV_FULL, "a\nb\n"},
                                           Refusal{"dev_full_large", StdoutTarget::DEV_FULL, lines(1, 10000, "\n")},
                                           Refusal{"closed_pipe_small", StdoutTarget::CLOSED_PIPE, "a\nb\n"},
                                           Refusal{"closed_pipe_large", StdoutTarget::CLOSED_PIPE,
                                                   lines(1, 10000, "\n")}),
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
