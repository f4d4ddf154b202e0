// The input file is a named pipe: the same bytes as from a disk file, with the
// pipe's own rules for a CR at the end of a read and for Ctrl-Z.
#include <gtest/gtest.h>

#include "bytes.h"
#include "fifo_writer.h"
#include "file_case.h"
#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto FIFO_TIMEOUT = std::chrono::seconds(60);

struct FifoCase {
    std::string name;
    std::vector<std::string> chunks;  // written with a pause between them
    std::vector<std::string> args;    // the FIFO's name is appended
    std::string out;
};

long long milliseconds_after(FifoWriter::Clock::time_point later, FifoWriter::Clock::time_point earlier) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(later - earlier).count();
}

void PrintTo(const FifoCase& c, std::ostream* os) { *os << c.name; }

RunOptions fifo_options(const ScratchDir& dir, std::vector<std::string> args, StdoutTarget target) {
    RunOptions options;
    options.cwd = dir.path();
    options.args = std::move(args);
    options.args.push_back("input.fifo");
    options.stdout_target = target;
    options.timeout = FIFO_TIMEOUT;
    return options;
}

// Under a runner the program may be unable to open a FIFO at all: that is the
// emulator's limit, not a fault of the program.
#define SKIP_IF_FIFO_NOT_OPENED(writer)                                                   \
    if (has_runner() && !(writer).reader_came()) {                                        \
        GTEST_SKIP() << "the program under the runner did not open the FIFO";            \
    }

class FifoInput : public ::testing::TestWithParam<FifoCase> {};

TEST_P(FifoInput, SameBytesAsFromAFile) {
    ScratchDir dir;
    FifoWriter writer(dir.path() / "input.fifo", GetParam().chunks, 100ms);
    RunResult result = run(fifo_options(dir, GetParam().args, StdoutTarget::PIPE));
    writer.finish();
    SKIP_IF_FIFO_NOT_OPENED(writer);
    EXPECT_TRUE(produced(result, GetParam().out, "", 0));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FifoInput,
    ::testing::Values(
        FifoCase{"lines_in_chunks", {"a\nb\n", "c\r\n", "d"}, {}, "a\r\nb\r\nc\r\nd"},
        FifoCase{"cr_ends_a_chunk_lf_starts_the_next", {"a\r", "\nb\n"}, {}, "a\r\nb\r\n"},
        FifoCase{"cr_ends_a_chunk_letter_starts_the_next", {"a\r", "Y\n"}, {}, "a\rY\r\n"},
        FifoCase{"cr_ends_a_chunk_cr_lf_starts_the_next", {"a\r", "\r\nb\n"}, {}, "a\r\r\nb\r\n"},
        FifoCase{"cr_at_the_very_end_of_the_data", {"x\n", "xyz\r"}, {}, "x\r\nxyz\r"},
        FifoCase{"ctrl_z_ends_the_data", {"ab\ncd\x1a" "ef\n", "gh\n"}, {}, "ab\r\ncd"},
        FifoCase{"many_reads", {lines(1, 1500, "\n"), lines(1501, 3000, "\n")}, {"-2500"},
                 lines(1, 2500, "\r\n")}),
    RowName{});

// Each piece reaches a terminal as soon as it is copied: the first line shows
// while the writer is still holding back the second.
TEST(FifoToTerminal, EachPieceArrivesAtOnce) {
    if (has_runner()) {
        GTEST_SKIP() << "a pseudo-terminal is not a console to a program under a runner";
    }
    ScratchDir dir;
    FifoWriter writer(dir.path() / "input.fifo", {"first\n", "second\n"}, 1500ms);
    RunResult result = run(fifo_options(dir, {}, StdoutTarget::PTY));
    writer.finish();
    ASSERT_TRUE(produced(result, "first\r\nsecond\r\n", "", 0));
    ASSERT_TRUE(result.first_out_at.has_value());
    EXPECT_LT(*result.first_out_at, writer.written_at(1))
        << "the first line arrived " << milliseconds_after(*result.first_out_at, writer.written_at(1))
        << " ms after the second was written";
}

// On a pipe the copy is buffered until exit, which cannot come before the
// writer has closed the FIFO.
TEST(FifoToPipe, OutputWaitsForTheEnd) {
    ScratchDir dir;
    FifoWriter writer(dir.path() / "input.fifo", {"first\n", "second\n"}, 300ms);
    RunResult result = run(fifo_options(dir, {}, StdoutTarget::PIPE));
    writer.finish();
    SKIP_IF_FIFO_NOT_OPENED(writer);
    ASSERT_TRUE(produced(result, "first\r\nsecond\r\n", "", 0));
    ASSERT_TRUE(result.first_out_at.has_value());
    EXPECT_GE(*result.first_out_at, writer.closed_at())
        << "output reached the pipe " << milliseconds_after(writer.closed_at(), *result.first_out_at)
        << " ms before the input ended";
}

}  // namespace
}  // namespace e2e
