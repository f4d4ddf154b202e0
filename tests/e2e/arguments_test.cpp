// The command line: the count option, which argument is the file, usage errors.
#include <gtest/gtest.h>

#include <string>

#include "bytes.h"
#include "case_name.h"
#include "command/origin.h"
#include "file_case.h"
#include "harness.h"

namespace e2e {
namespace {

const std::string THIRTY_LINES = lines(1, 30, "\n");

// Every case copies from the same 30-line file; only the count differs.
FileCase counted(const std::string& name, std::vector<std::string> args, int copied) {
    return FileCase{name, THIRTY_LINES, std::move(args), lines(1, copied, "\r\n"), 0};
}

class CountOption : public ::testing::TestWithParam<FileCase> {};

TEST_P(CountOption, CopiesThatManyLines) {
    check_file_case(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, CountOption,
    ::testing::Values(
        counted("no_option_copies_20", {INPUT}, 20), counted("minus_1", {"-1", INPUT}, 1),
        counted("minus_5", {"-5", INPUT}, 5), counted("slash_5", {"/5", INPUT}, 5),
        counted("leading_zeros", {"-003", INPUT}, 3), counted("zero_copies_20", {"-0", INPUT}, 20),
        counted("letters_copy_20", {"-abc", INPUT}, 20), counted("lone_minus_copies_20", {"-", INPUT}, 20),
        counted("lone_slash_copies_20", {"/", INPUT}, 20), counted("negative_copies_20", {"--5", INPUT}, 20),
        counted("negative_after_slash_copies_20", {"/-3", INPUT}, 20),
        counted("plus_minus_is_zero", {"-+-5", INPUT}, 20), counted("plus_sign", {"-+7", INPUT}, 7),
        counted("blank_before_digits_skipped", {"- 7", INPUT}, 7),
        counted("tab_before_digits_skipped", {"-\t7", INPUT}, 7),
        counted("stops_at_first_non_digit", {"-7x", INPUT}, 7), counted("wraps_to_1", {"-4294967297", INPUT}, 1),
        counted("wraps_to_0_copies_20", {"-4294967296", INPUT}, 20),
        counted("wraps_negative_copies_20", {"-2147483648", INPUT}, 20),
        counted("largest_count_copies_all", {"-2147483647", INPUT}, 30),
        counted("count_beyond_file_copies_all", {"-100", INPUT}, 30),
        counted("first_not_option_second_ignored", {INPUT, "-3"}, 20),
        counted("first_not_option_missing_second_ignored", {INPUT, "missing.txt"}, 20),
        counted("help_request_with_a_file_is_a_count", {"/?", INPUT}, 20)),
    test_support::CaseName());

// The report of a file that cannot be opened: the name, ": ", the text and
// CR LF on stderr, nothing on stdout, status 2.
struct OpenFailure : test_support::NamedCase {
    std::vector<std::string> args;
    std::string err;
    // Where Windows itself answers otherwise, lintop.exe's report; the two
    // builds are not compared then.
    std::string windows_err = {};
};

class OpenFailureReport : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(OpenFailureReport, NamesTheFileAndTheCause) {
    ScratchDir dir;
    dir.write("input.txt", "a file that exists\n");
    std::filesystem::create_directory(dir.path() / "folder");
    std::filesystem::create_symlink("input.txt", dir.path() / "link");
    std::filesystem::create_directory_symlink("folder", dir.path() / "folder_link");
    std::filesystem::create_symlink("loop2", dir.path() / "loop1");
    std::filesystem::create_symlink("loop1", dir.path() / "loop2");
    ASSERT_TRUE(dir.socket_file("socket"));
    RunOptions options;
    options.cwd = dir.path();
    options.args = GetParam().args;
    // Under Wine a UTF-8 name reaches lintop.exe whole only in a UTF-8 locale.
    options.environment = {"LC_ALL=C.UTF-8"};
    RunResult result = run(options);
    const bool windows_differs = under_wine() && !GetParam().windows_err.empty();
    EXPECT_TRUE(produced(result, "", windows_differs ? GetParam().windows_err : GetParam().err, 2));
    if (has_native_build() && GetParam().windows_err.empty()) {
        options.build = Build::NATIVE;
        EXPECT_TRUE(same_run(result, run(options)));
    }
}

const std::string MISSING = ": No such file or directory\r\n";
const std::string INVALID = ": Invalid argument\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, OpenFailureReport,
    ::testing::Values(
        OpenFailure{"missing_file", {"missing.txt"}, "missing.txt" + MISSING},
        OpenFailure{"missing_file_with_count", {"-3", "missing.txt"}, "missing.txt" + MISSING},
        OpenFailure{"lone_minus_5_is_a_file_name", {"-5"}, "-5" + MISSING},
        OpenFailure{"lone_dash_dash_help_is_a_file_name", {"--help"}, "--help" + MISSING},
        OpenFailure{"first_not_option_names_the_file", {"missing.txt", "input.txt"}, "missing.txt" + MISSING},
        OpenFailure{"missing_directory_in_path", {"nodir/input.txt"}, "nodir/input.txt" + MISSING},
        OpenFailure{"file_used_as_directory", {"input.txt/x"}, "input.txt/x" + MISSING},
        OpenFailure{"empty_name_gives_only_the_text", {""}, "No such file or directory\r\n"},
        OpenFailure{"empty_name_with_count", {"-3", ""}, "No such file or directory\r\n"},
        OpenFailure{"directory_is_refused", {"folder"}, "folder: Permission denied\r\n"},
        OpenFailure{"directory_with_slash_is_refused", {"folder/"}, "folder/: Permission denied\r\n"},
        OpenFailure{"link_to_directory_is_refused", {"folder_link"}, "folder_link: Permission denied\r\n"},
        OpenFailure{"symbolic_link_loop", {"loop1"}, "loop1" + INVALID},
        OpenFailure{"through_a_symbolic_link_loop", {"loop1/x"}, "loop1/x" + INVALID},
        OpenFailure{"file_with_slash", {"input.txt/"}, "input.txt/" + INVALID},
        OpenFailure{"link_to_file_with_slash", {"link/"}, "link/" + INVALID},
        OpenFailure{"file_with_slash_dot_slash", {"input.txt/./"}, "input.txt/./" + INVALID},
        OpenFailure{"through_file_with_slash", {"input.txt/x/"}, "input.txt/x/" + MISSING},
        OpenFailure{"missing_with_slash", {"missing/"}, "missing/" + MISSING},
        // Wine refuses a socket file as an invalid name; Windows has no such file.
        OpenFailure{"socket_file", {"socket"}, "socket" + MISSING, "socket" + INVALID},
        OpenFailure{"bytes_80_to_ff_unchanged",
                    {"r\xc3\xa9sum\xc3\xa9-\xe6\x97\xa5.txt"},
                    "r\xc3\xa9sum\xc3\xa9-\xe6\x97\xa5.txt" + MISSING},
        // No Windows name holds a '?': only "/?" itself is the help.
        OpenFailure{"slash_question_x_is_a_file_name", {"/?x"}, "/?x" + MISSING, "/?x: Invalid argument\r\n"},
        OpenFailure{"slash_two_questions_is_a_file_name", {"/??"}, "/??" + MISSING, "/??: Invalid argument\r\n"}),
    test_support::CaseName());

// The usage message: a fixed first line, then one line of origin whose text
// is free, every line ending in CR LF.
::testing::AssertionResult is_usage(const std::string& err) {
    const std::string first = "Usage: lintop [-count] filename\r\n";
    if (err.compare(0, first.size(), first) != 0) {
        return ::testing::AssertionFailure() << "stderr does not start with the usage line: " << show_bytes(err);
    }
    std::string second = err.substr(first.size());
    bool one_line = second.size() > 2 && second.find('\n') == second.size() - 1 &&
                    second.compare(second.size() - 2, 2, "\r\n") == 0 && second.find('\r') == second.size() - 2;
    if (!one_line) {
        return ::testing::AssertionFailure()
               << "second usage line is not one line ending in CR LF: " << show_bytes(second);
    }
    return ::testing::AssertionSuccess();
}

class Usage : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(Usage, WrongArgumentCountGivesUsageAndStatus1) {
    ScratchDir dir;
    dir.write("input.txt", "a\n");
    RunOptions options;
    options.cwd = dir.path();
    options.args = GetParam();
    RunResult result = run(options);
    ASSERT_FALSE(result.signaled || result.timed_out);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(same_bytes(result.out, ""));
    EXPECT_TRUE(is_usage(result.err));
    if (has_native_build()) {
        options.build = Build::NATIVE;
        EXPECT_TRUE(same_run(result, run(options)));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Usage,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"-5", "input.txt", "input.txt"},
                                           std::vector<std::string>{"a", "b", "c", "d"}),
                         test_support::CaseName());

// `/?` alone: the help on stdout, status 0, after the origin line; under Wine
// the very bytes of the native build.
const std::string HELP =
    "\r\n"
    "Usage: lintop [-count] filename\r\n"
    "       lintop [/count] filename\r\n"
    "\r\n"
    "Copies the first count lines of the file to standard output: 20 when the\r\n"
    "count is left out, has no digits or is not positive. A line ends with its\r\n"
    "line feed; lines are counted in pieces of at most 4095 characters, the line\r\n"
    "feed included, so a longer line counts as several. The file is read in text\r\n"
    "mode: CR LF is read as LF and a Ctrl-Z byte ends the data; every line feed\r\n"
    "leaves as CR LF.\r\n"
    "A single argument is always the file name (\"-5\" and \"--help\" too), except\r\n"
    "\"/?\", which shows this help.\r\n"
    "\r\n"
    "Exit status:\r\n"
    "  0    every selected line was copied, or the output's reader went away\r\n"
    "  1    usage error: not one or two arguments\r\n"
    "  2    the file cannot be opened (\"name: reason\" on standard error)\r\n"
    "  3    a read of the file or a write of the output failed: the copy is cut\r\n"
    "       short, and standard error says why\r\n"
    "  255  not enough memory to start (Windows only)\r\n"
    "\r\n"
    "More in the manual page, lintop(1) or lintop.txt, and in the README.\r\n";

TEST(Help, HelpRequestAloneWritesTheHelp) {
    ScratchDir dir;
    RunOptions options;
    options.cwd = dir.path();
    options.args = {"/?"};
    RunResult result = run(options);
    std::string origin = lintop::ORIGIN;
    origin.insert(origin.size() - 1, 1, CR);
    EXPECT_TRUE(produced(result, origin + HELP, "", 0));
    if (has_native_build()) {
        options.build = Build::NATIVE;
        EXPECT_TRUE(same_run(result, run(options)));
    }
}

}  // namespace
}  // namespace e2e
