#include <cstring>

#include "platform/platform.h"
#include "stream/handles.h"
#include "stream/streams.h"

namespace lintop {

namespace {

struct InheritedBlock {
    const uint8_t* bytes;
    uint64_t size;
    int32_t stored_count;  // N as the parent wrote it
};

// The platform handles follow the attribute bytes, one per number, unaligned.
// Each is as wide as a HANDLE: 32 bits in a 32-bit build, 64 bits in a 64-bit
// one, which is what a parent of the same width writes.
bool read_entry(const InheritedBlock& block, int32_t number, uint8_t* attributes, HANDLE* platform_handle) {
    const uint64_t attribute_offset = 4 + static_cast<uint64_t>(number);
    const uint64_t handle_offset =
        4 + static_cast<uint64_t>(block.stored_count) + (static_cast<uint64_t>(number) * sizeof(HANDLE));
    // Only entries that lie wholly inside the block are read.
    if (attribute_offset >= block.size || handle_offset + sizeof(HANDLE) > block.size) {
        return false;
    }
    *attributes = block.bytes[attribute_offset];
    std::memcpy(static_cast<void*>(platform_handle), block.bytes + handle_offset, sizeof(HANDLE));
    return true;
}

bool usable(uint8_t attributes, HANDLE platform_handle) {
    if (platform_handle == INVALID_HANDLE_VALUE || (attributes & HANDLE_IN_USE) == 0) {
        return false;
    }
    // A parent that recorded a pipe has said what it is; anything else is asked.
    return (attributes & HANDLE_PIPE) != 0 || GetFileType(platform_handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

// Takes over the handle numbers that the starting process passed in the
// reserved block of the start-up information.
void take_inherited_handles() {
    STARTUPINFOA info = {};
    GetStartupInfoA(&info);
    // A block too short to hold its count holds nothing to take.
    if (info.lpReserved2 == nullptr || info.cbReserved2 < 4) {
        return;
    }

    InheritedBlock block = {info.lpReserved2, info.cbReserved2, 0};
    std::memcpy(&block.stored_count, block.bytes, 4);
    int32_t count = block.stored_count < MAX_OPEN_HANDLES ? block.stored_count : MAX_OPEN_HANDLES;
    while (handle_table.count < count) {
        if (!provide_handle_group()) {
            count = handle_table.count;
            break;
        }
    }
    for (int32_t number = 0; number < count; ++number) {
        uint8_t attributes = 0;
        HANDLE platform_handle = INVALID_HANDLE_VALUE;
        if (!read_entry(block, number, &attributes, &platform_handle)) {
            break;
        }
        if (!usable(attributes, platform_handle)) {
            continue;
        }
        HandleRecord* record = handle_record(number);
        record->platform_handle = platform_handle;
        record->attributes = attributes;
    }
}

}  // namespace lintop
