#include "stream/error.h"

namespace lintop {

TransferFailure first_failure = {false, -1, 0};

// Windows gives either code for a pipe whose reader has closed, by how far the
// close had gone; the POSIX emulation gives ERROR_NO_DATA for EPIPE.
bool reader_went_away(DWORD code) {
    return code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA;
}

void note_transfer_failure(int32_t handle) {
    if (first_failure.seen || reader_went_away(system_error_code)) {
        return;
    }
    first_failure = TransferFailure{true, handle, error_number};
}

}  // namespace lintop
