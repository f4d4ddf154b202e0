// What a failed or partial platform call leaves behind: the output stays a
// prefix of the fault-free output, and no byte that was read is lost.
#include "fixture.h"

namespace lintop {
namespace {

class Faults : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        start(sim::make_console(), sim::make_disk(), sim::make_disk());
    }

    // One read of the input, of at most `count` bytes, as delivered.
    std::string read(uint32_t count) {
        std::vector<uint8_t> buffer(count);
        int32_t got = read_handle(handle, buffer.data(), count);
        return got <= 0 ? std::string{} : std::string(buffer.begin(), buffer.begin() + got);
    }

    // `h` as the input, under the name "f".
    void open(HANDLE h) {
        sim::name_file("f", h);
        handle = open_handle("f");
    }

    static size_t reads() { return sim::calls(sim::Call::ReadFile).size(); }

    int32_t handle = -1;
};

TEST_F(Faults, AFailedPeekEndsTheDataWithTheCr) {
    open(sim::make_disk("ab\r\ncd"));
    sim::plan({sim::Call::ReadFile, 2, ERROR_GEN_FAILURE});
    EXPECT_EQ(read(3), "ab\r");
    EXPECT_EQ(read(64), "");  // not the LF behind the kept CR
    EXPECT_EQ(reads(), 2u);
}

TEST_F(Faults, AFailedStepBackAfterAnLfKeepsTheLineEnd) {
    open(sim::make_disk("ab\r\ncd"));
    sim::plan({sim::Call::SetFilePointer, 1, ERROR_INVALID_PARAMETER});
    EXPECT_EQ(read(3), "ab\n");
    EXPECT_EQ(read(64), "cd");
}

TEST_F(Faults, AHeldBackByteOutlivesAFailedRead) {
    open(sim::make_pipe("ab\rYc", false));
    EXPECT_EQ(read(3), "ab\r");
    sim::plan({sim::Call::ReadFile, 3, ERROR_GEN_FAILURE});
    EXPECT_EQ(read(64), "Y");
    EXPECT_EQ(error_number, error_numbers::ACCES);  // ERROR_GEN_FAILURE
    EXPECT_EQ(read(64), "");
    EXPECT_EQ(reads(), 3u);
}

TEST_F(Faults, ACtrlZPeekedOnAPipeEndsTheDataWithoutAnotherRead) {
    open(sim::make_pipe("ab\r\x1a", false));  // the writer stays
    EXPECT_EQ(read(3), "ab\r");
    EXPECT_EQ(read(64), "");
    EXPECT_EQ(reads(), 2u);
}

TEST_F(Faults, AFullReadAfterAHeldBackByteAsksOneByteLess) {
    open(sim::make_pipe("ab\rY" + std::string(5000, 'x')));
    EXPECT_EQ(read(3), "ab\r");
    EXPECT_EQ(read(4096), "Y" + std::string(4095, 'x'));
    EXPECT_EQ(sim::calls(sim::Call::ReadFile).back().requested, 4095);
}

// The start-up itself under test: the fixture starts nothing.
using StartFaults = SimTest;

TEST_F(StartFaults, AReservedBlockShorterThanItsCountIsIgnored) {
    sim::set_reserved_block({0x03, 0x00, 0x00});
    start(sim::make_console(), sim::make_disk(), sim::make_disk());
    EXPECT_EQ(sim::calls(sim::Call::GetStdHandle).size(), 3u);
}

// Standard output on a disk file or a pipe whose first write-out fails.
class RefusedWriteOut : public SimTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RefusedWriteOut, LeavesNothingBehindTheGapAndStopsCopying) {
    HANDLE out = GetParam() ? sim::make_pipe() : sim::make_disk();
    HANDLE err = sim::make_disk();
    start(sim::make_console(), out, err);
    sim::name_file("f", sim::make_disk(lines(100000, "123456789")));
    sim::plan({sim::Call::WriteFile, 1, ERROR_DISK_FULL});
    EXPECT_EQ(run({"-2000000000", "f"}), STATUS_COPY_FAILED);
    EXPECT_EQ(sim::written(out), "");
    EXPECT_EQ(sim::written(err), "standard output: No space left on device\r\n");
    // The write-out comes with the 4097th byte, in the second read.
    EXPECT_EQ(sim::calls(sim::Call::ReadFile).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(DiskAndPipe, RefusedWriteOut, ::testing::Bool(),
                         [](const auto& param_info) { return std::string(param_info.param ? "Pipe" : "Disk"); });

}  // namespace
}  // namespace lintop
