#include "stream/error.h"
#include "stream/handles.h"
#include "stream/translate.h"

namespace lintop {

int32_t read_handle(int32_t handle, uint8_t* buffer, uint32_t count) {
    HandleRecord* record = handle_in_use(handle);
    if (record == nullptr) {
        set_error(error_numbers::BADF);
        return -1;
    }
    if (count == 0 || (record->attributes & HANDLE_END_MARKER) != 0) {
        return 0;
    }

    // A byte held back by the last read goes first: after a CR at the end of
    // a read from a device or pipe, or from a disk file that could not step back.
    uint32_t placed = 0;
    if (record->held_back != NOTHING_HELD_BACK) {
        buffer[0] = record->held_back;
        record->held_back = NOTHING_HELD_BACK;
        placed = 1;
        --count;
    }

    DWORD received = 0;
    if (!ReadFile(record->platform_handle, buffer + placed, count, &received, nullptr)) {
        DWORD code = GetLastError();
        if (code != ERROR_BROKEN_PIPE) {
            // A failed read ends the data: asking again could deliver bytes
            // from behind the gap. The exit sequence reports it.
            map_transfer_error(code);
            end_data(record);
            note_transfer_failure(handle);
            if (placed == 0) {
                return -1;
            }
            // The held-back byte was read already: it is delivered last (a
            // held-back Ctrl-Z ends the data at once).
            return buffer[0] == CTRL_Z ? 0 : 1;
        }
        // The writer has gone: end of data, but a byte held back from the
        // last read is still delivered first.
        if (placed == 0) {
            return 0;
        }
        received = 0;
    }
    placed += received;

    if ((record->attributes & HANDLE_TEXT_MODE) == 0) {
        return static_cast<int32_t>(placed);
    }
    return static_cast<int32_t>(translate_input(handle, buffer, placed));
}

}  // namespace lintop
