// The one errno-to-Win32 table and the last error.
#include "platform/posix/errors.h"

#include <cerrno>

namespace lintop::platform_posix {
namespace {

struct ErrnoMapping {
    int error;
    DWORD code;
};

// What Windows reports for the same failure. The codes reach the user only
// through the stream layer's map_system_error, so where Windows has no exact
// counterpart the choice is the code whose classification reads best.
// EAGAIN and EINTR are absent: the calls wait and retry instead of failing.
constexpr ErrnoMapping ERRNO_TO_WIN32[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},       // a regular file where a directory was needed
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},  // links that never end in a file
    {ENXIO, ERROR_FILE_NOT_FOUND},         // a socket file, a device with nothing behind it
    {ENODEV, ERROR_FILE_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},  // Windows refuses a directory opened as a file so
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},         // past the size limit: no more room for this file
    {EPIPE, ERROR_NO_DATA},           // a write to a pipe whose reader has closed
    {ECONNRESET, ERROR_BROKEN_PIPE},  // the other end of a socket went away
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EOVERFLOW, ERROR_INVALID_PARAMETER},
    {ESPIPE, ERROR_SEEK_ON_DEVICE},
    {EROFS, ERROR_WRITE_PROTECT},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {ENOBUFS, ERROR_NOT_ENOUGH_MEMORY},
    {EEXIST, ERROR_FILE_EXISTS},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EBUSY, ERROR_BUSY},
    {EFAULT, ERROR_NOACCESS},
    {EIO, ERROR_GEN_FAILURE},
    {ENOSYS, ERROR_INVALID_FUNCTION},
    {EOPNOTSUPP, ERROR_INVALID_FUNCTION},
};

constexpr bool each_errno_once() {
    for (const auto& a : ERRNO_TO_WIN32) {
        int seen = 0;
        for (const auto& b : ERRNO_TO_WIN32) {
            seen += a.error == b.error ? 1 : 0;
        }
        if (seen != 1 || a.code == NO_ERROR) {
            return false;
        }
    }
    return true;
}
static_assert(each_errno_once(), "each errno once, never mapped to NO_ERROR");

// Process-wide, not per thread as on Windows: the program runs on one thread.
DWORD last_error = NO_ERROR;

}  // namespace

DWORD win32_error_from_errno(int error) {
    for (const auto& mapping : ERRNO_TO_WIN32) {
        if (mapping.error == error) {
            return mapping.code;
        }
    }
    return ERROR_GEN_FAILURE;
}

void set_last_error(DWORD code) {
    last_error = code;
}

void set_last_error_from_errno(int error) {
    last_error = win32_error_from_errno(error);
}

}  // namespace lintop::platform_posix

DWORD GetLastError() {
    return lintop::platform_posix::last_error;
}
