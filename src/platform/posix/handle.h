// A HANDLE of the POSIX emulation is a file descriptor plus one, so that
// neither null nor INVALID_HANDLE_VALUE (-1) is ever a valid handle, as on
// Windows.
#pragma once

#include <climits>
#include <cstdint>

#include "platform/platform.h"

namespace lintop::platform_posix {

inline HANDLE handle_from_fd(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);  // NOLINT(performance-no-int-to-ptr)
}

// -1, which every system call refuses with EBADF, for a value that no
// descriptor gives: null, INVALID_HANDLE_VALUE, and anything beyond the range
// of int, which a plain conversion would wrap onto a real descriptor.
inline int fd_from_handle(HANDLE handle) {
    const intptr_t value = reinterpret_cast<intptr_t>(handle);
    if (value < 1 || value > INT_MAX) {
        return -1;
    }
    return static_cast<int>(value - 1);
}

}  // namespace lintop::platform_posix
