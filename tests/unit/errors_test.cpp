#include <gtest/gtest.h>

#include <string>

#include "command/command.h"
#include "stream/error.h"

namespace {

struct CodeCase {
    DWORD code;
    int32_t number;
};

class MapSystemError : public ::testing::TestWithParam<CodeCase> {};

TEST_P(MapSystemError, ClassifiesAndKeepsTheCode) {
    error_number = -7;
    map_system_error(GetParam().code);
    EXPECT_EQ(error_number, GetParam().number);
    EXPECT_EQ(system_error_code, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    TableAndRanges, MapSystemError,
    ::testing::Values(CodeCase{0, EINVAL}, CodeCase{1, EINVAL}, CodeCase{2, ENOENT}, CodeCase{3, ENOENT},
                      CodeCase{4, EMFILE}, CodeCase{5, EACCES}, CodeCase{6, EBADF}, CodeCase{7, ENOMEM},
                      CodeCase{8, ENOMEM}, CodeCase{9, ENOMEM}, CodeCase{10, E2BIG}, CodeCase{11, ENOEXEC},
                      CodeCase{12, EINVAL}, CodeCase{13, EINVAL}, CodeCase{14, EINVAL}, CodeCase{15, ENOENT},
                      CodeCase{16, EACCES}, CodeCase{17, EXDEV}, CodeCase{18, ENOENT}, CodeCase{19, EACCES},
                      CodeCase{32, EACCES}, CodeCase{33, EACCES}, CodeCase{36, EACCES}, CodeCase{37, EINVAL},
                      CodeCase{53, ENOENT}, CodeCase{65, EACCES}, CodeCase{67, ENOENT}, CodeCase{80, EEXIST},
                      CodeCase{82, EACCES}, CodeCase{83, EACCES}, CodeCase{87, EINVAL}, CodeCase{89, EAGAIN},
                      CodeCase{108, EACCES}, CodeCase{109, EPIPE}, CodeCase{112, ENOSPC}, CodeCase{114, EBADF},
                      CodeCase{123, EINVAL}, CodeCase{128, ECHILD}, CodeCase{129, ECHILD}, CodeCase{130, EBADF},
                      CodeCase{131, EINVAL}, CodeCase{132, EACCES}, CodeCase{145, ENOTEMPTY}, CodeCase{158, EACCES},
                      CodeCase{161, ENOENT}, CodeCase{164, EAGAIN}, CodeCase{167, EACCES}, CodeCase{183, EEXIST},
                      CodeCase{187, EINVAL}, CodeCase{188, ENOEXEC}, CodeCase{200, ENOEXEC}, CodeCase{202, ENOEXEC},
                      CodeCase{203, EINVAL}, CodeCase{206, ENOENT}, CodeCase{215, EAGAIN}, CodeCase{232, EINVAL},
                      CodeCase{1816, ENOMEM}, CodeCase{0xFFFFFFFFu, EINVAL}, CodeCase{0x80000013u, EINVAL}));

TEST(ErrorTexts, NamedNumbersHaveTheirTexts) {
    EXPECT_STREQ(error_text(0), "No error");
    EXPECT_STREQ(error_text(ENOENT), "No such file or directory");
    EXPECT_STREQ(error_text(EBADF), "Bad file descriptor");
    EXPECT_STREQ(error_text(EACCES), "Permission denied");
    EXPECT_STREQ(error_text(EBUSY), "Resource device");
    EXPECT_STREQ(error_text(EMFILE), "Too many open files");
    EXPECT_STREQ(error_text(ENOSPC), "No space left on device");
    EXPECT_STREQ(error_text(ENAMETOOLONG), "Filename too long");
    EXPECT_STREQ(error_text(EILSEQ), "Illegal byte sequence");
}

TEST(ErrorTexts, UnnamedAndOutsideNumbersShareUnknownError) {
    const char* unknown = error_text(43);
    EXPECT_STREQ(unknown, "Unknown error");
    for (int32_t number : {15, 26, 35, 37, 43, 44, 1000, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(error_text(number), unknown) << number;
    }
}

}  // namespace
