// Opening, closing and classifying files: CreateFileA, CloseHandle, GetFileType.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/handle.h"

using lintop::platform_posix::fd_from_handle;
using lintop::platform_posix::handle_from_fd;
using lintop::platform_posix::set_last_error;
using lintop::platform_posix::set_last_error_from_errno;

namespace {

HANDLE fail_open(DWORD code) {
    set_last_error(code);
    return INVALID_HANDLE_VALUE;
}

// Whether the first `length` bytes of `name` name something that stat finds.
bool stat_part(const char* name, size_t length, struct stat& status) {
    // Shorter than PATH_MAX: a longer name fails with ENAMETOOLONG instead.
    char part[PATH_MAX];
    if (length >= sizeof part) {
        return false;
    }
    std::memcpy(part, name, length);
    part[length] = '\0';
    return stat(part, &status) == 0;
}

// ENOENT means either that the last component or that a directory on the way
// is missing; Windows tells the two apart (ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND), so look at the directory part of the name.
DWORD missing_name_error(const char* name) {
    const char* slash = std::strrchr(name, '/');
    if (slash == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    const auto length = slash == name ? size_t{1} : static_cast<size_t>(slash - name);
    struct stat status = {};
    if (stat_part(name, length, status) && S_ISDIR(status.st_mode)) {
        return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_PATH_NOT_FOUND;
}

// Windows refuses a file's name with a separator after it ("notes.txt\",
// "notes.txt\.\") as an invalid name; ENOTDIR says no more than that some
// part of the name is not a folder, so look at what the name ends in.
bool is_file_with_trailing_slash(const char* name) {
    std::string_view part(name);
    if (!part.ends_with('/')) {
        return false;
    }
    while (part.size() > 1 && (part.ends_with('/') || part.ends_with("/."))) {
        part.remove_suffix(part.ends_with('/') ? 1 : 2);
    }
    struct stat status = {};
    return stat_part(name, part.size(), status) && !S_ISDIR(status.st_mode);
}

int open_retrying(const char* name, int flags) {
    int fd = -1;
    do {
        fd = open(name, flags);
    } while (fd == -1 && errno == EINTR);
    return fd;
}

}  // namespace

// Only the form that open_handle uses: read access, an existing file. The
// share mode has no POSIX counterpart (nothing locks the file), the flags
// and the template are ignored as for any existing file.
HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    if (dwDesiredAccess != GENERIC_READ || dwCreationDisposition != OPEN_EXISTING) {
        return fail_open(ERROR_INVALID_PARAMETER);
    }
    // Windows refuses an empty name with ERROR_PATH_NOT_FOUND before any
    // lookup; open("") would say ENOENT, that is ERROR_FILE_NOT_FOUND.
    if (lpFileName == nullptr || lpFileName[0] == '\0') {
        return fail_open(ERROR_PATH_NOT_FOUND);
    }
    // Without O_CLOEXEC the descriptor passes to child processes, as an
    // inheritable Win32 handle does; without the request it does not.
    const bool inheritable = lpSecurityAttributes != nullptr && lpSecurityAttributes->bInheritHandle;
    const int fd = open_retrying(lpFileName, O_RDONLY | O_NOCTTY | (inheritable ? 0 : O_CLOEXEC));
    if (fd == -1) {
        const int error = errno;
        if (error == ENOENT) {
            return fail_open(missing_name_error(lpFileName));
        }
        if (error == ENOTDIR && is_file_with_trailing_slash(lpFileName)) {
            return fail_open(ERROR_INVALID_NAME);
        }
        return fail_open(lintop::platform_posix::win32_error_from_errno(error));
    }
    struct stat status = {};
    if (fstat(fd, &status) == -1) {
        const int error = errno;
        close(fd);
        return fail_open(lintop::platform_posix::win32_error_from_errno(error));
    }
    // POSIX opens a directory for reading; Windows refuses it as a file.
    if (S_ISDIR(status.st_mode)) {
        close(fd);
        return fail_open(ERROR_ACCESS_DENIED);
    }
    return handle_from_fd(fd);
}

BOOL CloseHandle(HANDLE hObject) {
    // Linux releases the descriptor even when close reports EINTR, so that is
    // a success, and a retry could close a descriptor that was opened since.
    if (close(fd_from_handle(hObject)) == -1 && errno != EINTR) {
        set_last_error_from_errno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileType(HANDLE hFile) {
    struct stat status = {};
    if (fstat(fd_from_handle(hFile), &status) == -1) {
        set_last_error_from_errno(errno);
        return FILE_TYPE_UNKNOWN;
    }
    if (S_ISCHR(status.st_mode)) {
        return FILE_TYPE_CHAR;
    }
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
        return FILE_TYPE_PIPE;
    }
    return FILE_TYPE_DISK;
}
