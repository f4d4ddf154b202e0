#include "platform/platform.h"
#include "stream/handles.h"
#include "stream/streams.h"

namespace lintop {

namespace {

constexpr DWORD STANDARD_HANDLE_IDS[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};

void ask_platform_for(int32_t handle, HandleRecord* record) {
    record->attributes = HANDLE_IN_USE | HANDLE_TEXT_MODE;
    HANDLE platform_handle = GetStdHandle(STANDARD_HANDLE_IDS[handle]);
    DWORD file_type = FILE_TYPE_UNKNOWN;
    if (platform_handle != INVALID_HANDLE_VALUE) {
        file_type = GetFileType(platform_handle);
    }
    if (file_type == FILE_TYPE_UNKNOWN) {
        // Missing: in use, without a platform handle, and taken for a device.
        record->attributes |= HANDLE_CHAR_DEVICE;
        return;
    }
    record->platform_handle = platform_handle;
    record->attributes |= kind_attributes(file_type);
}

}  // namespace

// Numbers 0, 1 and 2 are always in use and in text mode, whatever the
// platform supplied, so a file opened by name never gets one of them.
void classify_standard_handles() {
    take_inherited_handles();
    for (int32_t handle = 0; handle < 3; ++handle) {
        HandleRecord* record = handle_record(handle);
        if (record->platform_handle != INVALID_HANDLE_VALUE) {
            record->attributes |= HANDLE_TEXT_MODE;
        } else {
            ask_platform_for(handle, record);
        }
    }
}

namespace {

StreamRecord* standard_stream(int32_t handle, uint32_t direction) {
    StreamRecord* stream = take_stream_slot();
    if (stream == nullptr) {
        return nullptr;
    }
    HANDLE platform_handle = handle_record(handle)->platform_handle;
    bool missing = platform_handle == INVALID_HANDLE_VALUE || platform_handle == nullptr;
    stream->handle = missing ? -1 : handle;
    stream->state = direction;
    return stream;
}

}  // namespace

// Slots 0, 1 and 2: standard input (never read), output and error, each
// without a buffer until its first write.
bool provide_standard_streams() {
    return standard_stream(0, STREAM_READING) != nullptr && standard_stream(1, STREAM_WRITING) != nullptr &&
           standard_stream(2, STREAM_WRITING) != nullptr;
}

}  // namespace lintop
