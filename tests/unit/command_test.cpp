// The command as a whole over the simulated platform: arguments, counts,
// reports and statuses, with standard output and error on disk files.
#include <algorithm>

#include "fixture.h"

namespace lintop {
namespace {

class Command : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        out = sim::make_disk();
        err = sim::make_disk();
        start(sim::make_console(), out, err);
    }

    void file(const std::string& name, const std::string& data) { sim::name_file(name, sim::make_disk(data)); }

    HANDLE out = nullptr;
    HANDLE err = nullptr;
};

struct CountCase {
    std::vector<std::string> args;
    int lines;
};

class CountArguments : public Command, public ::testing::WithParamInterface<CountCase> {};

TEST_P(CountArguments, CopyTheExpectedNumberOfLines) {
    file("f", lines(30, "line "));
    EXPECT_EQ(run(GetParam().args), STATUS_COPIED);
    EXPECT_EQ(sim::contents(out), lines(GetParam().lines, "line ", "\r\n"));
    EXPECT_EQ(sim::contents(err), "");
}

INSTANTIATE_TEST_SUITE_P(Table, CountArguments,
                         ::testing::Values(CountCase{{"f"}, 20}, CountCase{{"-5", "f"}, 5}, CountCase{{"/5", "f"}, 5},
                                           CountCase{{"-0", "f"}, 20}, CountCase{{"-abc", "f"}, 20},
                                           CountCase{{"-", "f"}, 20}, CountCase{{"--5", "f"}, 20},
                                           CountCase{{"-+-5", "f"}, 20}, CountCase{{"- 7", "f"}, 7},
                                           CountCase{{"-7x", "f"}, 7}, CountCase{{"-4294967297", "f"}, 1},
                                           CountCase{{"-2147483648", "f"}, 20}, CountCase{{"-25", "f"}, 25},
                                           CountCase{{"-99", "f"}, 30}, CountCase{{"f", "ignored"}, 20}),
                         test_support::CaseName<&CountCase::args>());

struct UsageCase : test_support::NamedCase {
    std::vector<std::string> args;
};

class WrongArgumentCounts : public Command, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(WrongArgumentCounts, GiveUsage) {
    EXPECT_EQ(run(GetParam().args), STATUS_USAGE);
    std::string usage = sim::contents(err);
    EXPECT_EQ(usage.rfind("Usage: lintop [-count] filename\r\n", 0), 0u) << usage;
    EXPECT_EQ(std::count(usage.begin(), usage.end(), '\n'), 2);
    EXPECT_EQ(usage.back(), '\n');
    EXPECT_EQ(sim::contents(out), "");
    EXPECT_TRUE(sim::calls(sim::Call::CreateFileA).empty());
    // Both lines wait in the stream's buffer and leave in one write at exit.
    EXPECT_EQ(sim::write_sizes(err).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, WrongArgumentCounts,
                         ::testing::Values(UsageCase{"NoArguments", {}}, UsageCase{"ThreeArguments", {"a", "b", "c"}},
                                           UsageCase{"CountAndThreeArguments", {"-1", "a", "b", "c"}}),
                         test_support::CaseName());

// Without memory for a buffer each byte of the usage goes by itself: a
// refused one ends the message there, so what reached the handle is its
// first part, whichever write was refused.
TEST_F(Command, UsageWithoutABufferStopsAtTheRefusedByte) {
    EXPECT_EQ(run({}), STATUS_USAGE);
    const std::string usage = sim::contents(err);
    for (int refused = 1; refused <= static_cast<int>(usage.size()); ++refused) {
        sim::reset();
        reset_stream_layer();
        err = sim::make_disk();
        start(sim::make_console(), sim::make_disk(), err);
        sim::plan({sim::Call::HeapAlloc, next(sim::Call::HeapAlloc), 0, true});
        sim::plan({sim::Call::WriteFile, refused, ERROR_WRITE_FAULT});
        EXPECT_EQ(run({}), STATUS_USAGE);
        const std::string written = sim::contents(err);
        const bool hit = static_cast<int>(sim::calls(sim::Call::WriteFile).size()) >= refused;
        EXPECT_TRUE(usage.compare(0, written.size(), written) == 0 && (written.size() < usage.size()) == hit)
            << "write " << refused << " refused: " << written;
    }
}

enum class Out { DISK, CONSOLE, MISSING };

// A report on standard error: the open failure of a name, or at exit the
// first failure of a copy that `faults` cut short.
struct ReportCase {
    std::vector<std::string> args;
    DWORD code;  // 0: the name is simply unknown to the platform
    std::string report;
    int status = STATUS_OPEN_FAILED;
    std::vector<sim::Fault> faults = {};
    Out out = Out::DISK;
};

class Reports : public Command, public ::testing::WithParamInterface<ReportCase> {
protected:
    void SetUp() override {
        SimTest::SetUp();
        out = GetParam().out == Out::CONSOLE ? sim::make_console() : sim::make_disk();
        err = sim::make_disk();
        start(sim::make_console(), GetParam().out == Out::MISSING ? nullptr : out, err);
    }
};

TEST_P(Reports, NameTheFailedSideAndTheReasonStraightToHandleTwo) {
    const ReportCase& c = GetParam();
    file("present", "x\n");
    file("f", lines(500, "12345678"));
    if (c.code != 0) {
        sim::refuse_name(c.args.back(), c.code);
    }
    for (const sim::Fault& fault : c.faults) {
        sim::plan(fault);
    }
    const int status = drive(c.args);
    if (status == STATUS_OPEN_FAILED) {
        // Written before the driver returns, not held in a stream buffer.
        EXPECT_EQ(sim::contents(err), c.report);
    }
    EXPECT_EQ(exit_sequence(status), c.status);
    EXPECT_EQ(sim::contents(err), c.report);
    if (c.status == STATUS_OPEN_FAILED) {
        EXPECT_EQ(sim::contents(out), "");
    }
}

const sim::Fault SECOND_READ_FAILS = {sim::Call::ReadFile, 2, ERROR_GEN_FAILURE};
const sim::Fault FIRST_WRITE_FAILS = {sim::Call::WriteFile, 1, ERROR_DISK_FULL};

INSTANTIATE_TEST_SUITE_P(
    Table, Reports,
    ::testing::Values(
        ReportCase{{"missing"}, 0, "missing: No such file or directory\r\n"},
        ReportCase{{"-5"}, 0, "-5: No such file or directory\r\n"},
        ReportCase{{"-3", "dir/missing"}, ERROR_PATH_NOT_FOUND, "dir/missing: No such file or directory\r\n"},
        ReportCase{{"adir"}, ERROR_ACCESS_DENIED, "adir: Permission denied\r\n"},
        ReportCase{{"busy"}, ERROR_SHARING_VIOLATION, "busy: Permission denied\r\n"},
        ReportCase{{"locked"}, ERROR_LOCK_VIOLATION, "locked: Permission denied\r\n"},
        ReportCase{{"long"}, ERROR_FILENAME_EXCED_RANGE, "long: No such file or directory\r\n"},
        ReportCase{{"odd"}, 0x12345u, "odd: Invalid argument\r\n"},
        ReportCase{{""}, 0, "No such file or directory\r\n"},
        ReportCase{{"x\033[31mred\nline\x7f"}, 0, "x?[31mred?line?: No such file or directory\r\n"},
        ReportCase{{"r\xc3\xa9sum\xc3\xa9\x80\xff"}, 0, "r\xc3\xa9sum\xc3\xa9\x80\xff: No such file or directory\r\n"},
        ReportCase{
            {"\t" + std::string(300, 'n') + "\r"}, 0, "?" + std::string(300, 'n') + "?: No such file or directory\r\n"},
        // Only "/?" itself asks for the help.
        ReportCase{{"/?x"}, 0, "/?x: No such file or directory\r\n"},
        ReportCase{{"/??"}, 0, "/??: No such file or directory\r\n"},
        // The refused write of the name leaves the open failure's reason.
        ReportCase{{"unwritten"},
                   0,
                   ": No such file or directory\r\n",
                   STATUS_OPEN_FAILED,
                   {{sim::Call::WriteFile, 1, ERROR_WRITE_PROTECT}}},
        // A read fails, then the write-out at exit: the read is reported.
        ReportCase{
            {"-500", "f"}, 0, "f: Permission denied\r\n", STATUS_COPY_FAILED, {SECOND_READ_FAILS, FIRST_WRITE_FAILS}},
        // A console write fails, then a read: the write is reported.
        ReportCase{{"/500", "f"},
                   0,
                   "standard output: No space left on device\r\n",
                   STATUS_COPY_FAILED,
                   {SECOND_READ_FAILS, FIRST_WRITE_FAILS},
                   Out::CONSOLE},
        ReportCase{{"/?"}, 0, "standard output: Bad file descriptor\r\n", STATUS_COPY_FAILED, {}, Out::MISSING}),
    test_support::CaseName<&ReportCase::args>());

TEST_F(Command, OpenAsksForAnExistingFileSharedForReadingAndWriting) {
    file("f", "a\n");
    EXPECT_EQ(run({"f"}), STATUS_COPIED);
    auto opens = sim::calls(sim::Call::CreateFileA);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].text, "f");
    EXPECT_EQ(opens[0].access, GENERIC_READ);
    EXPECT_EQ(opens[0].share, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_EQ(opens[0].disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(opens[0].flags, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(opens[0].inherit);
    EXPECT_FALSE(opens[0].has_template);
    EXPECT_TRUE(sim::calls(sim::Call::CloseHandle).empty());
}

struct CopyCase : test_support::NamedCase {
    std::string data;
    std::vector<std::string> args;
    std::string output;
};

class Copies : public Command, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(Copies, WriteTheExpectedBytes) {
    file("f", GetParam().data);
    std::vector<std::string> args = GetParam().args;
    args.push_back("f");
    EXPECT_EQ(run(args), STATUS_COPIED);
    EXPECT_EQ(sim::contents(out), GetParam().output);
}

const std::string L4095(4095, 'a');
const std::string L5000(5000, 'b');

INSTANTIATE_TEST_SUITE_P(
    Table, Copies,
    ::testing::Values(
        CopyCase{"Empty", "", {}, ""}, CopyCase{"LastLineWithoutLineFeed", "a\nbc", {}, "a\r\nbc"},
        CopyCase{"CountBeyondFile", "a\nb\n", {"-9"}, "a\r\nb\r\n"},
        CopyCase{"CrLfCountTwo", "1\r\n2\r\n3\r\n", {"-2"}, "1\r\n2\r\n"},
        CopyCase{"LongLineIsTwoPieces", L5000 + "\n", {"-2"}, L5000 + "\r\n"},
        CopyCase{"LongLineCountOne", L5000 + "\n", {"-1"}, L5000.substr(0, 4095)},
        CopyCase{"Exactly4095CountOne", L4095 + "\r\nz\n", {"-1"}, L4095},
        CopyCase{"Exactly4095CountTwo", L4095 + "\nz\n", {"-2"}, L4095 + "\r\n"},
        CopyCase{"ZeroByteWrittenWhole", std::string("a\0b\nc\n", 6), {"-1"}, std::string("a\0b\r\n", 5)},
        CopyCase{"ZeroBytesCountAsOneLine", std::string("\0\0\n\0\n", 5), {}, std::string("\0\0\r\n\0\r\n", 7)},
        CopyCase{"Byte255IsData", "\xff\xff\n\xff", {}, "\xff\xff\r\n\xff"},
        CopyCase{"CtrlZEndsData",
                 "a\nb\x1a"
                 "c\nd\n",
                 {},
                 "a\r\nb"},
        CopyCase{"CtrlZFirst",
                 "\x1a"
                 "abc\n",
                 {},
                 ""}),
    test_support::CaseName());

TEST_F(Command, AfterCtrlZNoFurtherRead) {
    file("f",
         "a\n\x1a"
         "b\nc\n");
    EXPECT_EQ(run({"f"}), STATUS_COPIED);
    EXPECT_EQ(sim::calls(sim::Call::ReadFile).size(), 1u);
}

}  // namespace
}  // namespace lintop
