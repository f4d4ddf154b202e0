// The errno-to-Win32 table.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "case_name.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"

namespace {

struct ErrnoCase {
    int error;
    DWORD code;
    friend std::string case_name(const ErrnoCase& c) { return c.error == 0 ? "none" : strerrorname_np(c.error); }
};

class ErrnoTable : public testing::TestWithParam<ErrnoCase> {};

TEST_P(ErrnoTable, GivesTheWin32Code) {
    EXPECT_EQ(lintop::platform_posix::win32_error_from_errno(GetParam().error), GetParam().code)
        << "errno " << GetParam().error;
}

INSTANTIATE_TEST_SUITE_P(
    Posix, ErrnoTable,
    testing::Values(ErrnoCase{ENOENT, ERROR_FILE_NOT_FOUND}, ErrnoCase{ENOTDIR, ERROR_PATH_NOT_FOUND},
                    ErrnoCase{ELOOP, ERROR_CANT_RESOLVE_FILENAME}, ErrnoCase{EACCES, ERROR_ACCESS_DENIED},
                    ErrnoCase{EPERM, ERROR_ACCESS_DENIED}, ErrnoCase{EISDIR, ERROR_ACCESS_DENIED},
                    ErrnoCase{ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE}, ErrnoCase{EMFILE, ERROR_TOO_MANY_OPEN_FILES},
                    ErrnoCase{ENFILE, ERROR_TOO_MANY_OPEN_FILES}, ErrnoCase{EBADF, ERROR_INVALID_HANDLE},
                    ErrnoCase{ENOSPC, ERROR_DISK_FULL}, ErrnoCase{EFBIG, ERROR_DISK_FULL},
                    ErrnoCase{EPIPE, ERROR_NO_DATA}, ErrnoCase{EINVAL, ERROR_INVALID_PARAMETER},
                    ErrnoCase{ESPIPE, ERROR_SEEK_ON_DEVICE}, ErrnoCase{EROFS, ERROR_WRITE_PROTECT},
                    ErrnoCase{ENOMEM, ERROR_NOT_ENOUGH_MEMORY}, ErrnoCase{EEXIST, ERROR_FILE_EXISTS},
                    ErrnoCase{EIO, ERROR_GEN_FAILURE}, ErrnoCase{ENXIO, ERROR_FILE_NOT_FOUND},
                    ErrnoCase{ENODEV, ERROR_FILE_NOT_FOUND}, ErrnoCase{EDQUOT, ERROR_DISK_FULL},
                    ErrnoCase{ECONNRESET, ERROR_BROKEN_PIPE}, ErrnoCase{EOVERFLOW, ERROR_INVALID_PARAMETER},
                    ErrnoCase{ENOBUFS, ERROR_NOT_ENOUGH_MEMORY}, ErrnoCase{EXDEV, ERROR_NOT_SAME_DEVICE},
                    ErrnoCase{ETXTBSY, ERROR_SHARING_VIOLATION}, ErrnoCase{EBUSY, ERROR_BUSY},
                    ErrnoCase{EFAULT, ERROR_NOACCESS}, ErrnoCase{ENOSYS, ERROR_INVALID_FUNCTION},
                    ErrnoCase{EOPNOTSUPP, ERROR_INVALID_FUNCTION},
                    // Unknown, and no error at all: still a failure code.
                    ErrnoCase{EDOM, ERROR_GEN_FAILURE}, ErrnoCase{0, ERROR_GEN_FAILURE}),
    test_support::CaseName());

TEST(LastError, IsWhatTheLastFailureSet) {
    lintop::platform_posix::set_last_error(ERROR_DISK_FULL);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    lintop::platform_posix::set_last_error_from_errno(EBADF);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
