// Reading, writing and seeking: ReadFile, WriteFile, SetFilePointer.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/handle.h"

using lintop::platform_posix::fd_from_handle;
using lintop::platform_posix::set_last_error;

static_assert(sizeof(off_t) == 8, "SetFilePointer needs 64-bit file positions");

namespace {

BOOL fail(DWORD code) {
    set_last_error(code);
    return FALSE;
}

// A descriptor that the parent left non-blocking refuses with EAGAIN; a Win32
// read or write without overlap waits instead. False with errno set when
// waiting itself fails.
bool wait_until_ready(int fd, short events) {
    pollfd entry{fd, events, 0};
    int ready = -1;
    do {
        ready = poll(&entry, 1, -1);
    } while (ready == -1 && errno == EINTR);
    return ready != -1;
}

// EBADF on a descriptor that is open means the wrong direction (a write to a
// read-only handle), which Windows refuses with ERROR_ACCESS_DENIED; only a
// handle that is not open at all is ERROR_INVALID_HANDLE.
DWORD transfer_error(int fd, int error) {
    if (error == EBADF && fcntl(fd, F_GETFD) != -1) {
        return ERROR_ACCESS_DENIED;
    }
    return lintop::platform_posix::win32_error_from_errno(error);
}

bool is_pipe(int fd) {
    struct stat status = {};
    return fstat(fd, &status) == 0 && (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode));
}

}  // namespace

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED /*lpOverlapped: always null*/) {
    if (lpNumberOfBytesRead != nullptr) {
        *lpNumberOfBytesRead = 0;
    }
    const int fd = fd_from_handle(hFile);
    ssize_t received = -1;
    while ((received = read(fd, lpBuffer, nNumberOfBytesToRead)) == -1) {
        if (errno == EINTR || (errno == EAGAIN && wait_until_ready(fd, POLLIN))) {
            continue;
        }
        return fail(transfer_error(fd, errno));
    }
    // A Win32 pipe whose writers have all closed fails the read; a disk file
    // or a console gives 0 bytes. A zero-byte request tells nothing either way.
    if (received == 0 && nNumberOfBytesToRead != 0 && is_pipe(fd)) {
        return fail(ERROR_BROKEN_PIPE);
    }
    if (lpNumberOfBytesRead != nullptr) {
        *lpNumberOfBytesRead = static_cast<DWORD>(received);
    }
    return TRUE;
}

// Everything or a failure, as a blocking Win32 write: short writes go on from
// where they stopped; on a failure the count tells what went before it.
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED /*lpOverlapped: always null*/) {
    if (lpNumberOfBytesWritten != nullptr) {
        *lpNumberOfBytesWritten = 0;
    }
    const int fd = fd_from_handle(hFile);
    // A zero-byte write succeeds on Windows without touching the file; only
    // the handle itself is checked.
    if (nNumberOfBytesToWrite == 0) {
        return fcntl(fd, F_GETFD) == -1 ? fail(transfer_error(fd, errno)) : TRUE;
    }
    const auto* bytes = static_cast<const unsigned char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        const ssize_t taken = write(fd, bytes + done, nNumberOfBytesToWrite - done);
        if (taken > 0) {
            done += static_cast<DWORD>(taken);
            if (lpNumberOfBytesWritten != nullptr) {
                *lpNumberOfBytesWritten = done;
            }
        } else if (taken == 0) {
            // Nothing taken and no reason given: retrying could spin forever.
            return fail(ERROR_WRITE_FAULT);
        } else if (errno != EINTR && (errno != EAGAIN || !wait_until_ready(fd, POLLOUT))) {
            return fail(transfer_error(fd, errno));
        }
    }
    return TRUE;
}

namespace {

// The end of the file without moving: a regular file tells its size; other
// objects (a block device, say) tell it only by a seek, which is undone.
off_t end_position(int fd) {
    struct stat status = {};
    if (fstat(fd, &status) == -1) {
        return -1;
    }
    if (S_ISREG(status.st_mode)) {
        return status.st_size;
    }
    const off_t current = lseek(fd, 0, SEEK_CUR);
    if (current == -1) {
        return -1;
    }
    const off_t end = lseek(fd, 0, SEEK_END);
    if (end != -1 && lseek(fd, current, SEEK_SET) == -1) {
        return -1;
    }
    return end;
}

// The position the distance counts from; -1 with errno set on failure.
off_t base_position(int fd, DWORD method) {
    if (method == FILE_BEGIN) {
        return 0;
    }
    if (method == FILE_CURRENT) {
        return lseek(fd, 0, SEEK_CUR);
    }
    return end_position(fd);
}

DWORD fail_seek(DWORD code) {
    set_last_error(code);
    return INVALID_SET_FILE_POINTER;
}

}  // namespace

// The target is computed and checked first, so a refused move leaves the
// position where it was.
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    if (dwMoveMethod != FILE_BEGIN && dwMoveMethod != FILE_CURRENT && dwMoveMethod != FILE_END) {
        return fail_seek(ERROR_INVALID_PARAMETER);
    }
    const int fd = fd_from_handle(hFile);
    // Without a high part the low part is a signed 32-bit distance.
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh != nullptr) {
        const uint64_t high = static_cast<uint32_t>(*lpDistanceToMoveHigh);
        distance = static_cast<int64_t>(high << 32 | static_cast<uint32_t>(lDistanceToMove));
    }
    const off_t base = base_position(fd, dwMoveMethod);
    if (base == -1) {
        return fail_seek(lintop::platform_posix::win32_error_from_errno(errno));
    }
    off_t target = 0;
    if (__builtin_add_overflow(base, distance, &target)) {
        return fail_seek(ERROR_INVALID_PARAMETER);
    }
    if (target < 0) {
        return fail_seek(ERROR_NEGATIVE_SEEK);
    }
    // A caller without a high part could be told only a truncated position.
    if (lpDistanceToMoveHigh == nullptr && target > off_t{0xFFFFFFFF}) {
        return fail_seek(ERROR_INVALID_PARAMETER);
    }
    if (lseek(fd, target, SEEK_SET) == -1) {
        return fail_seek(lintop::platform_posix::win32_error_from_errno(errno));
    }
    const auto position = static_cast<uint64_t>(target);
    if (lpDistanceToMoveHigh != nullptr) {
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint32_t>(position >> 32));
    }
    const auto low = static_cast<DWORD>(position);
    // A low part of 0xFFFFFFFF is also INVALID_SET_FILE_POINTER: callers tell
    // success by a last error of NO_ERROR, so Windows clears it here.
    if (low == INVALID_SET_FILE_POINTER) {
        set_last_error(NO_ERROR);
    }
    return low;
}
