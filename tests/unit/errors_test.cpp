// The stream layer's error numbers come first here, the C library's after
// them: each keeps its own values in the same file, whatever the order.
#include "stream/error.h"
//
#include <cerrno>
#include <system_error>

static_assert(lintop::error_numbers::NAMETOOLONG == 38 && lintop::error_numbers::NOENT == 2);
static_assert(static_cast<int>(std::errc::filename_too_long) == ENAMETOOLONG);
static_assert(static_cast<int>(std::errc::no_such_file_or_directory) == ENOENT);

#include <gtest/gtest.h>

#include <string>

#include "case_name.h"
#include "command/command.h"

namespace lintop {
namespace {

struct CodeCase {
    DWORD code;
    int32_t number;
};

std::string case_name(const CodeCase& c) {
    return "code_" + std::to_string(c.code) + "_" + test_support::plain_name(error_text(c.number));
}

class MapSystemError : public ::testing::TestWithParam<CodeCase> {};

TEST_P(MapSystemError, ClassifiesAndKeepsTheCode) {
    error_number = -7;
    map_system_error(GetParam().code);
    EXPECT_EQ(error_number, GetParam().number);
    EXPECT_EQ(system_error_code, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    TableAndRanges, MapSystemError,
    ::testing::Values(
        CodeCase{0, error_numbers::INVAL}, CodeCase{1, error_numbers::INVAL}, CodeCase{2, error_numbers::NOENT},
        CodeCase{3, error_numbers::NOENT}, CodeCase{4, error_numbers::MFILE}, CodeCase{5, error_numbers::ACCES},
        CodeCase{6, error_numbers::BADF}, CodeCase{7, error_numbers::NOMEM}, CodeCase{8, error_numbers::NOMEM},
        CodeCase{9, error_numbers::NOMEM}, CodeCase{10, error_numbers::TWO_BIG}, CodeCase{11, error_numbers::NOEXEC},
        CodeCase{12, error_numbers::INVAL}, CodeCase{13, error_numbers::INVAL}, CodeCase{14, error_numbers::INVAL},
        CodeCase{15, error_numbers::NOENT}, CodeCase{16, error_numbers::ACCES}, CodeCase{17, error_numbers::XDEV},
        CodeCase{18, error_numbers::NOENT}, CodeCase{19, error_numbers::ACCES}, CodeCase{32, error_numbers::ACCES},
        CodeCase{33, error_numbers::ACCES}, CodeCase{36, error_numbers::ACCES}, CodeCase{37, error_numbers::INVAL},
        CodeCase{53, error_numbers::NOENT}, CodeCase{65, error_numbers::ACCES}, CodeCase{67, error_numbers::NOENT},
        CodeCase{80, error_numbers::EXIST}, CodeCase{82, error_numbers::ACCES}, CodeCase{83, error_numbers::ACCES},
        CodeCase{87, error_numbers::INVAL}, CodeCase{89, error_numbers::AGAIN}, CodeCase{108, error_numbers::ACCES},
        CodeCase{109, error_numbers::PIPE}, CodeCase{112, error_numbers::NOSPC}, CodeCase{114, error_numbers::BADF},
        CodeCase{123, error_numbers::INVAL}, CodeCase{128, error_numbers::CHILD}, CodeCase{129, error_numbers::CHILD},
        CodeCase{130, error_numbers::BADF}, CodeCase{131, error_numbers::INVAL}, CodeCase{132, error_numbers::ACCES},
        CodeCase{145, error_numbers::NOTEMPTY}, CodeCase{158, error_numbers::ACCES},
        CodeCase{161, error_numbers::NOENT}, CodeCase{164, error_numbers::AGAIN}, CodeCase{167, error_numbers::ACCES},
        CodeCase{183, error_numbers::EXIST}, CodeCase{187, error_numbers::INVAL}, CodeCase{188, error_numbers::NOEXEC},
        CodeCase{200, error_numbers::NOEXEC}, CodeCase{202, error_numbers::NOEXEC}, CodeCase{203, error_numbers::INVAL},
        CodeCase{206, error_numbers::NOENT}, CodeCase{215, error_numbers::AGAIN}, CodeCase{232, error_numbers::INVAL},
        CodeCase{1816, error_numbers::NOMEM}, CodeCase{0xFFFFFFFFu, error_numbers::INVAL},
        CodeCase{0x80000013u, error_numbers::INVAL}),
    test_support::CaseName());

// Each number's text, written out: the text is what the user reads.
const char* const EXPECTED_TEXTS[] = {"No error",
                                      "Operation not permitted",
                                      "No such file or directory",
                                      "No such process",
                                      "Interrupted function call",
                                      "Input/output error",
                                      "No such device or address",
                                      "Arg list too long",
                                      "Exec format error",
                                      "Bad file descriptor",
                                      "No child processes",
                                      "Resource temporarily unavailable",
                                      "Not enough space",
                                      "Permission denied",
                                      "Bad address",
                                      "Unknown error",
                                      "Resource device",
                                      "File exists",
                                      "Improper link",
                                      "No such device",
                                      "Not a directory",
                                      "Is a directory",
                                      "Invalid argument",
                                      "Too many open files in system",
                                      "Too many open files",
                                      "Inappropriate I/O control operation",
                                      "Unknown error",
                                      "File too large",
                                      "No space left on device",
                                      "Invalid seek",
                                      "Read-only file system",
                                      "Too many links",
                                      "Broken pipe",
                                      "Domain error",
                                      "Result too large",
                                      "Unknown error",
                                      "Resource deadlock avoided",
                                      "Unknown error",
                                      "Filename too long",
                                      "No locks available",
                                      "Function not implemented",
                                      "Directory not empty",
                                      "Illegal byte sequence",
                                      "Unknown error"};

TEST(ErrorTexts, EveryNumberHasItsText) {
    for (int32_t number = 0; number < 44; ++number) {
        EXPECT_STREQ(error_text(number), EXPECTED_TEXTS[number]) << number;
    }
}

TEST(ErrorTexts, UnnamedAndOutsideNumbersShareUnknownError) {
    const char* unknown = error_text(43);
    EXPECT_STREQ(unknown, "Unknown error");
    for (int32_t number : {15, 26, 35, 37, 43, 44, 1000, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(error_text(number), unknown) << number;
    }
}

}  // namespace
}  // namespace lintop
