// The input file is a named pipe: the same bytes as from a disk file, with the
// pipe's own rules for a CR at the end of a read and for Ctrl-Z.
#include <gtest/gtest.h>

#include "bytes.h"
#include "case_name.h"
#include "fifo_writer.h"
#include "file_case.h"
#include "harness.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto FIFO_TIMEOUT = std::chrono::seconds(60);

struct FifoCase : test_support::NamedCase {
    std::vector<std::string> chunks;  // written with a pause between them
    std::vector<std::string> args;    // the FIFO's name is appended
    std::string out;
};

RunOptions fifo_options(const ScratchDir& dir, std::vector<std::string> args, StdoutTarget target) {
    RunOptions options;
    options.cwd = dir.path();
    options.args = std::move(args);
    options.args.push_back("input.fifo");
    options.stdout_target = target;
    options.timeout = FIFO_TIMEOUT;
    return options;
}

// Wine opens a FIFO without blocking and keeps it open in its server: a read
// that comes before the writer's next chunk fails as if the data had ended,
// and bytes left unread reach the next run. The outcome would be a race.
constexpr const char* WINE_FIFO = "under Wine a FIFO is read without waiting for its writer";

class FifoInput : public ::testing::TestWithParam<FifoCase> {};

TEST_P(FifoInput, SameBytesAsFromAFile) {
    if (under_wine()) {
        GTEST_SKIP() << WINE_FIFO;
    }
    ScratchDir dir;
    FifoWriter writer(dir.path() / "input.fifo", GetParam().chunks, 100ms);
    RunResult result = run(fifo_options(dir, GetParam().args, StdoutTarget::PIPE));
    writer.finish();
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
        FifoCase{"ctrl_z_ends_the_data",
                 {"ab\ncd\x1a"
                  "ef\n",
                  "gh\n"},
                 {},
                 "ab\r\ncd"},
        FifoCase{"many_reads", {lines(1, 1500, "\n"), lines(1501, 3000, "\n")}, {"-2500"}, lines(1, 2500, "\r\n")}),
    test_support::CaseName());

// When the copy reaches stdout, seen from the writer's side: the bytes that
// had arrived when the last chunk was written.
struct Arrival : test_support::NamedCase {
    StdoutTarget target;
    std::vector<std::string> chunks;
    size_t before_last_chunk;
    std::string out;
};

class OutputTiming : public ::testing::TestWithParam<Arrival> {};

TEST_P(OutputTiming, BytesArriveWhenTheirBufferIsWrittenOut) {
    if (under_wine()) {
        GTEST_SKIP() << (GetParam().target == StdoutTarget::PTY ? PTY_UNDER_WINE : WINE_FIFO);
    }
    ScratchDir dir;
    FifoWriter writer(dir.path() / "input.fifo", GetParam().chunks, 1000ms);
    RunResult result = run(fifo_options(dir, {"-100000"}, GetParam().target));
    writer.finish();
    ASSERT_TRUE(produced(result, GetParam().out, "", 0));
    EXPECT_EQ(result.out_before(writer.written_at(GetParam().chunks.size() - 1)), GetParam().before_last_chunk);
}

// 4096 bytes of 11-byte lines end 4 bytes into line 373; with its LFs sent as
// CR LF they are 4096 + 372 bytes on the way out.
constexpr size_t FIRST_BUFFER_OUT = 4096 + 372;

INSTANTIATE_TEST_SUITE_P(
    Table, OutputTiming,
    ::testing::Values(
        // A terminal gets each piece as soon as it is copied.
        Arrival{"terminal_each_piece_at_once", StdoutTarget::PTY, {"first\n", "second\n"}, 7, "first\r\nsecond\r\n"},
        // A pipe gets nothing before the buffer fills or the program ends.
        Arrival{"pipe_waits_for_the_end", StdoutTarget::PIPE, {"first\n", "second\n"}, 0, "first\r\nsecond\r\n"},
        Arrival{"pipe_gets_each_full_buffer",
                StdoutTarget::PIPE,
                {lines(1, 400, "\n"), "end\n"},
                FIRST_BUFFER_OUT,
                lines(1, 400, "\r\n") + "end\r\n"},
        Arrival{"terminal_gets_every_copied_piece",
                StdoutTarget::PTY,
                {lines(1, 400, "\n"), "end\n"},
                lines(1, 400, "\r\n").size(),
                lines(1, 400, "\r\n") + "end\r\n"}),
    test_support::CaseName());

}  // namespace
}  // namespace e2e
