#include "stream/handles.h"

namespace lintop {

HandleTable handle_table = {};

bool provide_handle_group() {
    if (handle_table.count >= MAX_OPEN_HANDLES) {
        return false;
    }
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(HandleRecord) * HANDLE_GROUP_SIZE);
    if (memory == nullptr) {
        return false;
    }
    auto* group = static_cast<HandleRecord*>(memory);
    for (int32_t i = 0; i < HANDLE_GROUP_SIZE; ++i) {
        group[i] = HandleRecord{INVALID_HANDLE_VALUE, 0, NOTHING_HELD_BACK};
    }
    handle_table.groups[handle_table.count / HANDLE_GROUP_SIZE] = group;
    handle_table.count += HANDLE_GROUP_SIZE;
    return true;
}

HandleRecord* handle_record(int32_t handle) {
    // Compared unsigned, so that a negative number is out of range too.
    if (static_cast<uint32_t>(handle) >= static_cast<uint32_t>(handle_table.count)) {
        return nullptr;
    }
    return &handle_table.groups[handle / HANDLE_GROUP_SIZE][handle % HANDLE_GROUP_SIZE];
}

HandleRecord* handle_in_use(int32_t handle) {
    HandleRecord* record = handle_record(handle);
    if (record == nullptr || (record->attributes & HANDLE_IN_USE) == 0) {
        return nullptr;
    }
    return record;
}

void end_data(HandleRecord* record) {
    record->attributes = static_cast<uint8_t>(record->attributes | HANDLE_END_MARKER);
}

uint8_t kind_attributes(DWORD file_type) {
    switch (file_type & 0xFFU) {
        case FILE_TYPE_CHAR:
            return HANDLE_CHAR_DEVICE;
        case FILE_TYPE_PIPE:
            return HANDLE_PIPE;
        default:
            return 0;
    }
}

bool is_char_device(int32_t handle) {
    const HandleRecord* record = handle_record(handle);
    return record != nullptr && (record->attributes & HANDLE_CHAR_DEVICE) != 0;
}

}  // namespace lintop
