#include "stream/error.h"

namespace lintop {

TransferFailure first_failure = {false, -1, 0};

// A pipe whose reader has closed refuses a write with one of these, by how
// far the close had gone (Wine gives the last); the POSIX emulation gives
// ERROR_NO_DATA for EPIPE.
bool reader_went_away(DWORD code) {
    return code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA || code == ERROR_PIPE_NOT_CONNECTED;
}

void note_transfer_failure(int32_t handle) {
    if (first_failure.seen) {
        return;
    }
    first_failure = TransferFailure{true, handle, error_number};
}

}  // namespace lintop
