// When bytes reach the platform: the buffering of standard output and
// standard error by the kind of their handle, and what a refused write does.
#include "fixture.h"

namespace lintop {
namespace {

using Sizes = std::vector<int64_t>;

class Output : public SimTest {
protected:
    // Standard output on `out`, standard error on a disk file, and a file "f".
    void start_with(HANDLE out_handle, const std::string& data) {
        out = out_handle;
        err = sim::make_disk();
        sim::name_file("f", sim::make_disk(data));
        start(sim::make_console(), out, err);
    }

    HANDLE out = nullptr;
    HANDLE err = nullptr;
};

TEST_F(Output, ConsoleGetsEachLineBeforeItsWriteReturns) {
    start_with(sim::make_console(), "one\ntwo\nthree\n");
    EXPECT_EQ(drive({"f"}), STATUS_COPIED);
    EXPECT_EQ(sim::write_sizes(out), (Sizes{5, 5, 7}));
    EXPECT_EQ(sim::written(out), "one\r\ntwo\r\nthree\r\n");
    size_t before_flush = sim::log_size();
    flush_all_streams();
    EXPECT_EQ(sim::log_size(), before_flush);
}

TEST_F(Output, DiskFileGetsEverythingAtExit) {
    start_with(sim::make_disk(), lines(20, "12345678"));
    EXPECT_EQ(drive({"f"}), STATUS_COPIED);
    EXPECT_TRUE(sim::write_sizes(out).empty());
    flush_all_streams();
    // 200 bytes, sent with their 20 CRs in one chunk.
    EXPECT_EQ(sim::write_sizes(out), (Sizes{220}));
}

// 410 lines of 10 bytes: the 410th brings the 4097th byte.
TEST_F(Output, DiskFileHoldsUpTo4096Bytes) {
    start_with(sim::make_disk(), lines(410, "12345678"));
    EXPECT_EQ(drive({"-409", "f"}), STATUS_COPIED);
    EXPECT_TRUE(sim::write_sizes(out).empty());
}

TEST_F(Output, DiskFileIsWrittenOut4096BytesAtATime) {
    start_with(sim::make_disk(), lines(410, "12345678"));
    EXPECT_EQ(drive({"-410", "f"}), STATUS_COPIED);
    // 4096 bytes, 409 of them LFs, in chunks of 1024 or 1025.
    Sizes sizes = sim::write_sizes(out);
    int64_t total = 0;
    for (int64_t size : sizes) {
        total += size;
    }
    EXPECT_EQ(total, 4096 + 409);
    flush_all_streams();
    EXPECT_EQ(sim::contents(out), lines(410, "12345678", "\r\n"));
}

TEST_F(Output, RefusingDiskStopsAtTheWriteOutOfTheFullBuffer) {
    start_with(sim::make_disk(), lines(500, "12345678"));
    sim::plan({sim::Call::WriteFile, 1, ERROR_DISK_FULL, true});
    EXPECT_EQ(drive({"-500", "f"}), STATUS_COPIED);
    // The 410th piece met the failed write-out; nothing more was read after it.
    auto reads = sim::calls(sim::Call::ReadFile);
    EXPECT_EQ(reads.size(), 2u);
    EXPECT_EQ(error_number, error_numbers::NOSPC);
    EXPECT_NE(standard_output()->state & STREAM_ERROR_SEEN, 0u);
}

TEST_F(Output, RefusingConsoleTriesEveryPieceAndReportsTheFirstRefusal) {
    start_with(sim::make_refusing_device(ERROR_INVALID_HANDLE), lines(30, "x"));
    EXPECT_EQ(run({"-25", "f"}), STATUS_COPY_FAILED);
    EXPECT_EQ(sim::write_sizes(out).size(), 25u);
    EXPECT_EQ(sim::contents(err), "standard output: Bad file descriptor\r\n");
}

TEST_F(Output, MissingStandardOutputFailsAtTheFirstWriteOut) {
    err = sim::make_disk();
    sim::name_file("f", sim::make_disk(lines(500, "12345678")));
    start(sim::make_console(), nullptr, err);
    EXPECT_EQ(standard_output()->handle, -1);
    EXPECT_EQ(drive({"-500", "f"}), STATUS_COPIED);
    EXPECT_EQ(error_number, error_numbers::BADF);
    EXPECT_TRUE(sim::calls(sim::Call::WriteFile).empty());
    EXPECT_EQ(sim::calls(sim::Call::ReadFile).size(), 2u);
}

TEST_F(Output, UnknownStandardOutputCountsAsMissing) {
    sim::name_file("f", sim::make_disk("a\n"));
    start(sim::make_console(), sim::make_unknown(), sim::make_disk());
    EXPECT_EQ(standard_output()->handle, -1);
    EXPECT_NE(handle_record(1)->attributes & HANDLE_CHAR_DEVICE, 0);
}

TEST_F(Output, UsageOnAConsoleIsTwoWrites) {
    HANDLE console = sim::make_console();
    start(sim::make_console(), sim::make_disk(), console);
    EXPECT_EQ(drive({}), STATUS_USAGE);
    EXPECT_EQ(sim::write_sizes(console).size(), 2u);
}

TEST_F(Output, UsageOnADiskIsOneWriteAtExit) {
    HANDLE disk = sim::make_disk();
    start(sim::make_console(), sim::make_disk(), disk);
    EXPECT_EQ(drive({}), STATUS_USAGE);
    EXPECT_TRUE(sim::write_sizes(disk).empty());
    flush_all_streams();
    EXPECT_EQ(sim::write_sizes(disk).size(), 1u);
}

TEST_F(Output, StandardOutputIsFlushedBeforeStandardError) {
    HANDLE out_pipe = sim::make_pipe();
    HANDLE err_pipe = sim::make_pipe();
    start(sim::make_console(), out_pipe, err_pipe);
    uint8_t byte = 'e';
    write_bytes(standard_error(), &byte, 1);
    write_text(standard_output(), "o\n");
    EXPECT_TRUE(sim::calls(sim::Call::WriteFile).empty());
    flush_all_streams();
    auto writes = sim::calls(sim::Call::WriteFile);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].handle, out_pipe);
    EXPECT_EQ(writes[1].handle, err_pipe);
}

TEST_F(Output, EmptyTextCallsNothing) {
    start(sim::make_console(), sim::make_console(), sim::make_console());
    size_t before = sim::log_size();
    EXPECT_EQ(write_text(standard_output(), ""), 0);
    // The temporary buffer is obtained, but nothing is written.
    for (size_t i = before; i < sim::log_size(); ++i) {
        EXPECT_NE(sim::log()[i].call, sim::Call::WriteFile);
    }
}

// No LF in the text: two full buffers and 1808 bytes.
const std::string LONG_TEXT(10000, 'x');

TEST_F(Output, LongTextOnConsole) {
    HANDLE console = sim::make_console();
    start(sim::make_console(), console, sim::make_console());
    // The translated writes show the write_handle sizes in 1024-byte chunks.
    EXPECT_EQ(write_text(standard_output(), LONG_TEXT.c_str()), 0);
    Sizes expected;
    for (int64_t part : {4096, 4096, 1808}) {
        for (; part > 1024; part -= 1024) {
            expected.push_back(1024);
        }
        expected.push_back(part);
    }
    EXPECT_EQ(sim::write_sizes(console), expected);
}

TEST_F(Output, LongTextOnDisk) {
    HANDLE disk = sim::make_disk();
    start(sim::make_console(), disk, sim::make_console());
    EXPECT_EQ(write_text(standard_output(), LONG_TEXT.c_str()), 0);
    EXPECT_EQ(sim::written(disk).size(), 8192u);
    EXPECT_EQ(standard_output()->next - standard_output()->buffer, 1808);
}

TEST_F(Output, NoTemporaryBufferSendsFirstByteThenTheRest) {
    HANDLE console = sim::make_console();
    start(sim::make_console(), console, sim::make_console());
    sim::plan({sim::Call::HeapAlloc, next(sim::Call::HeapAlloc), 0, false});
    EXPECT_EQ(write_text(standard_output(), "hello"), 0);
    EXPECT_EQ(sim::written(console), "hello");
    EXPECT_EQ(sim::write_sizes(console), (Sizes{1, 4}));
}

TEST_F(Output, NoOwnBufferWritesInEvenRunsAndSingleBytes) {
    HANDLE disk = sim::make_disk();
    start(sim::make_console(), disk, sim::make_console());
    sim::plan({sim::Call::HeapAlloc, next(sim::Call::HeapAlloc), 0, true});
    EXPECT_EQ(write_text(standard_output(), "hello"), 0);
    EXPECT_EQ(write_text(standard_output(), "world!"), 0);
    EXPECT_EQ(sim::written(disk), "helloworld!");
    EXPECT_EQ(sim::write_sizes(disk), (Sizes{1, 4, 6}));
    EXPECT_NE(standard_output()->state & STREAM_FALLBACK, 0u);
}

TEST_F(Output, FailedWriteOutDropsPendingBytesAndTheNewByte) {
    HANDLE disk = sim::make_disk();
    start(sim::make_console(), disk, sim::make_console());
    std::string block(4095, 'a');
    EXPECT_EQ(write_text(standard_output(), "x"), 0);
    EXPECT_EQ(write_text(standard_output(), block.c_str()), 0);
    EXPECT_TRUE(sim::write_sizes(disk).empty());
    sim::plan({sim::Call::WriteFile, 1, ERROR_DISK_FULL, false});
    EXPECT_EQ(write_text(standard_output(), "bc"), -1);
    // Nothing behind the lost block reaches the file later: the output stays a prefix.
    EXPECT_EQ(standard_output()->next - standard_output()->buffer, 0);
    flush_all_streams();
    EXPECT_EQ(sim::written(disk), "");
}

struct WriteHandleCase : test_support::NamedCase {
    bool device;
    std::string bytes;
    sim::Fault fault;
    int32_t result;
    int32_t error;
    DWORD code;
};

class WriteHandle : public SimTest, public ::testing::WithParamInterface<WriteHandleCase> {};

TEST_P(WriteHandle, TurnsThePlatformResultIntoItsOwn) {
    const WriteHandleCase& c = GetParam();
    start(sim::make_console(), c.device ? sim::make_console() : sim::make_disk(), sim::make_console());
    sim::plan(c.fault);
    error_number = 0;
    system_error_code = 99;
    EXPECT_EQ(write_handle(1, reinterpret_cast<const uint8_t*>(c.bytes.data()), static_cast<uint32_t>(c.bytes.size())),
              c.result);
    EXPECT_EQ(error_number, c.error);
    if (c.error != 0) {
        EXPECT_EQ(system_error_code, c.code);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WriteHandle,
    ::testing::Values(
        WriteHandleCase{"CtrlZSwallowedByDevice",
                        true,
                        "\x1a"
                        "abc",
                        {sim::Call::WriteFile, 1, 0, false, 0},
                        0,
                        0,
                        0},
        WriteHandleCase{
            "NothingTakenByDevice", true, "abc", {sim::Call::WriteFile, 1, 0, false, 0}, -1, error_numbers::NOSPC, 0},
        WriteHandleCase{"CtrlZNothingTakenByDisk",
                        false,
                        "\x1a",
                        {sim::Call::WriteFile, 1, 0, false, 0},
                        -1,
                        error_numbers::NOSPC,
                        0},
        WriteHandleCase{"AccessDeniedIsBadDescriptor",
                        false,
                        "abc",
                        {sim::Call::WriteFile, 1, ERROR_ACCESS_DENIED},
                        -1,
                        error_numbers::BADF,
                        5},
        WriteHandleCase{
            "BrokenPipe", false, "abc", {sim::Call::WriteFile, 1, ERROR_BROKEN_PIPE}, -1, error_numbers::PIPE, 109},
        WriteHandleCase{
            "DiskFull", false, "abc", {sim::Call::WriteFile, 1, ERROR_DISK_FULL}, -1, error_numbers::NOSPC, 112},
        WriteHandleCase{
            "InvalidHandle", false, "abc", {sim::Call::WriteFile, 1, ERROR_INVALID_HANDLE}, -1, error_numbers::BADF, 6},
        WriteHandleCase{"LaterChunkFailsInTheCount",
                        false,
                        std::string(3000, 'x'),
                        {sim::Call::WriteFile, 2, ERROR_DISK_FULL},
                        1024,
                        error_numbers::NOSPC,
                        112},
        WriteHandleCase{"ShortChunkCountsWholeBytes",
                        false,
                        "ab\ncd",
                        {sim::Call::WriteFile, 1, 0, false, 3},
                        2,
                        error_numbers::NOSPC,
                        0},
        WriteHandleCase{"ShortChunkSplittingCrLf",
                        false,
                        "ab\ncd",
                        {sim::Call::WriteFile, 1, 0, false, 4},
                        3,
                        error_numbers::NOSPC,
                        0}),
    test_support::CaseName());

TEST_F(Output, WriteHandleRefusesNumbersNotInUse) {
    start(sim::make_console(), sim::make_console(), sim::make_console());
    uint8_t byte = 'x';
    for (int32_t handle : {-1, 3, 31, 32, 2048, INT32_MIN}) {
        system_error_code = 7;
        EXPECT_EQ(write_handle(handle, &byte, 1), -1) << handle;
        EXPECT_EQ(error_number, error_numbers::BADF);
        EXPECT_EQ(system_error_code, 0u);
    }
    EXPECT_EQ(write_handle(1, &byte, 0), 0);
    EXPECT_TRUE(sim::calls(sim::Call::WriteFile).empty());
}

TEST_F(Output, AppendHandleMovesToTheEndBeforeEachWrite) {
    HANDLE disk = sim::make_disk("existing");
    start(sim::make_console(), disk, sim::make_console());
    handle_record(1)->attributes |= HANDLE_APPEND;
    uint8_t byte = 'x';
    EXPECT_EQ(write_handle(1, &byte, 1), 1);
    auto seeks = sim::calls(sim::Call::SetFilePointer);
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_EQ(sim::contents(disk), "existingx");
}

TEST_F(Output, ReportOnMissingStandardErrorGoesToTheInvalidHandle) {
    sim::name_file("f", sim::make_disk());
    start(sim::make_console(), sim::make_disk(), nullptr);
    EXPECT_EQ(drive({"nothing"}), STATUS_OPEN_FAILED);
    auto writes = sim::calls(sim::Call::WriteFile);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes[0].handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(error_number, error_numbers::BADF);
}

}  // namespace
}  // namespace lintop
