// The error state of the POSIX emulation: the one table from errno values to
// the Win32 codes that the same failures give on Windows, and the
// process-wide last error that GetLastError reports.
#pragma once

#include "platform/platform.h"

namespace lintop::platform_posix {

// The Win32 code for `error`. An errno that the table does not know, 0
// included, gives ERROR_GEN_FAILURE: a failure must never read as NO_ERROR.
DWORD win32_error_from_errno(int error);

// Successful calls leave the last error alone; only failures (and the
// documented exception in SetFilePointer) set it.
void set_last_error(DWORD code);
void set_last_error_from_errno(int error);

}  // namespace lintop::platform_posix
