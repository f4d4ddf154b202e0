#include "stream/error.h"
#include "stream/handles.h"

namespace lintop {

namespace {

// The lowest number not in use, providing a further group when every
// existing number is taken; -1 when none can be had.
int32_t free_handle_number() {
    for (int32_t handle = 0; handle < handle_table.count; ++handle) {
        if ((handle_record(handle)->attributes & HANDLE_IN_USE) == 0) {
            return handle;
        }
    }
    int32_t first_new = handle_table.count;
    if (!provide_handle_group()) {
        return -1;
    }
    return first_new;
}

}  // namespace

int32_t open_handle(const char* name) {
    int32_t handle = free_handle_number();
    if (handle < 0) {
        set_error(error_numbers::MFILE);
        return -1;
    }
    HandleRecord* record = handle_record(handle);
    record->platform_handle = INVALID_HANDLE_VALUE;

    // Inheritable by child processes; other openers may read and write.
    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof(SECURITY_ATTRIBUTES);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        map_system_error(GetLastError());
        return -1;
    }
    DWORD file_type = GetFileType(file);
    if (file_type == FILE_TYPE_UNKNOWN) {
        CloseHandle(file);
        map_system_error(GetLastError());
        return -1;
    }
    // Marked in use only now, so that every failure above leaves the number free.
    record->platform_handle = file;
    record->held_back = NOTHING_HELD_BACK;
    record->attributes = static_cast<uint8_t>(HANDLE_IN_USE | HANDLE_TEXT_MODE | kind_attributes(file_type));
    return handle;
}

}  // namespace lintop
