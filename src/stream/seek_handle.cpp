#include "stream/error.h"
#include "stream/handles.h"

namespace lintop {

int64_t seek_handle(int32_t handle, int32_t distance, DWORD origin) {
    HandleRecord* record = handle_in_use(handle);
    if (record == nullptr) {
        set_error(error_numbers::BADF);
        return -1;
    }
    if (record->platform_handle == INVALID_HANDLE_VALUE) {
        set_error(error_numbers::BADF);
        return -1;
    }
    // The high part carries the sign, so the move works at any offset,
    // also beyond 4 GiB.
    LONG high = distance < 0 ? -1 : 0;
    DWORD low = SetFilePointer(record->platform_handle, distance, &high, origin);
    if (low == INVALID_SET_FILE_POINTER) {
        DWORD code = GetLastError();
        if (code != NO_ERROR) {
            map_system_error(code);
            return -1;
        }
    }
    record->attributes = static_cast<uint8_t>(record->attributes & ~HANDLE_END_MARKER);
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}

}  // namespace lintop
