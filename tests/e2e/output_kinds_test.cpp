// The same copy whatever stdout is: a pipe, a file, a terminal, a device that
// refuses writes, a pipe nobody reads; and stdin plays no part.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

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
        if (under_wine()) {
            GTEST_SKIP() << PTY_UNDER_WINE;
        }
    }
};

TEST_P(StdoutTerminal, SameBytesAsPipe) {
    check_file_case(GetParam(), StdoutTarget::PTY);
}

INSTANTIATE_TEST_SUITE_P(Table, StdoutTerminal, ::testing::Values(MIXED, LARGE), test_support::CaseName());

// The sizes of the WriteFile calls in Wine's file trace made by the thread
// that opened input.txt: the program's own, not its console's.
std::vector<size_t> program_write_sizes(const std::string& trace) {
    const std::regex call(R"(([0-9a-f]+):trace:file:(CreateFileW L"input\.txt"|WriteFile \S+ \S+ (\d+)))");
    std::string thread = "(none)";
    std::vector<size_t> sizes;
    for (std::sregex_iterator at(trace.begin(), trace.end(), call), end; at != end; ++at) {
        if (!(*at)[3].matched) {
            thread = (*at)[1];
        } else if ((*at)[1] == thread) {
            sizes.push_back(std::stoul((*at)[3]));
        }
    }
    return sizes;
}

// Under Wine a terminal is a console, a character device to lintop.exe: each
// line leaves in a WriteFile of its own, as Wine's trace shows. Wine's
// console passes the bytes on, each write between escapes that hide and show
// the cursor; it would redraw a line with a lone CR or wider than its 80
// columns, so these lines have neither.
TEST(StdoutTerminalUnderWine, EachLineInAWriteOfItsOwnAndTheNativeBytes) {
    if (!under_wine() || !has_native_build()) {
        GTEST_SKIP() << "for lintop.exe under Wine, beside the native build";
    }
    ScratchDir dir;
    RunOptions options;
    options.cwd = dir.path();
    options.args = {"-5", dir.write("input.txt", "one\ntwo\r\nthree\n\nlast line without end")};
    options.stdout_target = StdoutTarget::PTY;
    options.environment = {"WINEDEBUG=-all,trace+file"};
    const RunResult wine = run(options);
    options.build = Build::NATIVE;
    const RunResult native = run(options);
    ASSERT_TRUE(produced(native, "one\r\ntwo\r\nthree\r\n\r\nlast line without end", "", 0));
    ASSERT_FALSE(wine.timed_out || wine.signaled);
    EXPECT_EQ(wine.status, 0);
    EXPECT_TRUE(same_bytes(std::regex_replace(wine.out, std::regex("\x1b\\[\\?25[lh]"), ""), native.out));
    EXPECT_EQ(program_write_sizes(wine.err), (std::vector<size_t>{5, 5, 7, 2, 21}));
}

// Copies, and the help, that stdout refuses. A refusal cuts the output short:
// status 3 and one report line. A reader that went away is its own choice:
// status 0 and silence. Either way the process is not killed (no SIGPIPE death on a closed
// pipe, no SIGXFSZ death past a file-size limit).
struct Refusal : test_support::NamedCase {
    StdoutTarget target;
    std::string file;
    int status;
    std::string report;
    std::optional<unsigned long> file_size_limit = std::nullopt;
    std::vector<std::string> args = {};  // none: a copy of the file
};

class RefusedWrites : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedWrites, ReportedUnlessTheReaderWentAway) {
    if (GetParam().file_size_limit && under_wine()) {
        GTEST_SKIP() << "a file-size limit is a POSIX matter";
    }
    ScratchDir dir;
    RunOptions options;
    options.cwd = dir.path();
    options.args = GetParam().args;
    if (options.args.empty()) {
        options.args = {"-100000", dir.write("input.txt", GetParam().file)};
    }
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
    ::testing::Values(Refusal{{"dev_full_small"}, StdoutTarget::DEV_FULL, "a\nb\n", 3, NO_SPACE},
                      Refusal{{"dev_full_large"}, StdoutTarget::DEV_FULL, lines(1, 10000, "\n"), 3, NO_SPACE},
                      Refusal{{"closed_pipe_small"}, StdoutTarget::CLOSED_PIPE, "a\nb\n", 0, ""},
                      Refusal{{"closed_pipe_large"}, StdoutTarget::CLOSED_PIPE, lines(1, 10000, "\n"), 0, ""},
                      Refusal{{"reset_socket_small"}, StdoutTarget::RESET_SOCKET, "a\nb\n", 0, ""},
                      Refusal{{"reset_socket_large"}, StdoutTarget::RESET_SOCKET, lines(1, 10000, "\n"), 0, ""},
                      Refusal{{"file_size_limit"}, StdoutTarget::FILE, lines(1, 10000, "\n"), 3, NO_SPACE, 8192},
                      Refusal{{"help_without_stdout"},
                              StdoutTarget::CLOSED,
                              "",
                              3,
                              "standard output: Bad file descriptor\r\n",
                              std::nullopt,
                              {"/?"}}),
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
