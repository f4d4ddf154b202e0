// The process: GetStdHandle, GetStartupInfoA, ExitProcess, GetProcessHeap, HeapAlloc.
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/handle.h"

HANDLE GetStdHandle(DWORD nStdHandle) {
    int fd = -1;
    switch (nStdHandle) {
        case STD_INPUT_HANDLE:
            fd = 0;
            break;
        case STD_OUTPUT_HANDLE:
            fd = 1;
            break;
        case STD_ERROR_HANDLE:
            fd = 2;
            break;
        default:
            lintop::platform_posix::set_last_error(ERROR_INVALID_HANDLE);
            return INVALID_HANDLE_VALUE;
    }
    // A descriptor that the parent left closed is a missing standard handle,
    // not whatever file later happens to receive that number.
    if (fcntl(fd, F_GETFD) == -1) {
        lintop::platform_posix::set_last_error_from_errno(errno);
        return INVALID_HANDLE_VALUE;
    }
    return lintop::platform_posix::handle_from_fd(fd);
}

// POSIX passes no reserved block of inherited handles: cbReserved2 0,
// lpReserved2 null, every other field zero.
void GetStartupInfoA(LPSTARTUPINFOA lpStartupInfo) {
    if (lpStartupInfo == nullptr) {
        return;
    }
    std::memset(lpStartupInfo, 0, sizeof *lpStartupInfo);
    lpStartupInfo->cb = sizeof *lpStartupInfo;
}

// Nothing is buffered in the C library (the program writes only through
// WriteFile), so nothing needs flushing on the way out.
void ExitProcess(UINT uExitCode) {
    std::_Exit(static_cast<int>(uExitCode));
}

// One heap; the handle only has to be non-null.
HANDLE GetProcessHeap() {
    static char heap;
    return &heap;
}

namespace {

// The program never frees a block: they live until the process ends. The
// few blocks of a run (records, tables, two or three 4096-byte buffers) are
// cut from a static area in turn, which spares the C library's heap set-up
// (a system call for its random key, two more to grow the break) at every
// start; larger needs go to malloc.
constexpr size_t ARENA_SIZE = 32768;
constexpr size_t ARENA_ALIGNMENT = 16;
alignas(ARENA_ALIGNMENT) unsigned char arena[ARENA_SIZE];
size_t arena_used = 0;

}  // namespace

// Like HeapAlloc without HEAP_GENERATE_EXCEPTIONS, a failure returns null
// and leaves the last error alone.
LPVOID HeapAlloc(HANDLE /*hHeap*/, DWORD /*dwFlags*/, SIZE_T dwBytes) {
    const size_t size = dwBytes != 0 ? dwBytes : 1;
    if (size <= ARENA_SIZE - arena_used) {
        void* block = arena + arena_used;
        arena_used = std::min(arena_used + ((size + ARENA_ALIGNMENT - 1) & ~(ARENA_ALIGNMENT - 1)), ARENA_SIZE);
        return block;
    }
    return std::malloc(size);
}
