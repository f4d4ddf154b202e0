// What a ReadFile, WriteFile or SetFilePointer does to the object behind a handle.
#include <algorithm>

#include "sim/sim_state.h"

namespace sim::internal {
namespace {

constexpr int64_t FOUR_GIB = int64_t{1} << 32;

// Sets the Win32 code of a failing operation and reports the failure.
bool failure(DWORD& code, DWORD value) {
    code = value;
    return false;
}

// Zeros before `start`, then the data; nothing at or beyond the end.
std::string disk_read(const Object& disk, uint64_t position, DWORD count) {
    if (position >= disk_size(disk)) {
        return {};
    }
    uint64_t left = std::min<uint64_t>(count, disk_size(disk) - position);
    std::string bytes;
    if (position < disk.start) {
        const uint64_t zeros = std::min(left, disk.start - position);
        bytes.assign(static_cast<size_t>(zeros), '\0');
        position += zeros;
        left -= zeros;
    }
    if (left == 0) {
        return bytes;  // the read ends before the data begins
    }
    bytes.append(disk.data, static_cast<size_t>(position - disk.start), static_cast<size_t>(left));
    return bytes;
}

// Overwrites and extends; a gap before the bytes is filled with zeros.
void disk_write(Object& disk, uint64_t position, const std::string& bytes) {
    if (bytes.empty()) {
        return;
    }
    if (position < disk.start) {
        disk.data.insert(0, static_cast<size_t>(disk.start - position), '\0');
        disk.start = position;
    }
    const auto at = static_cast<size_t>(position - disk.start);
    if (disk.data.size() < at + bytes.size()) {
        disk.data.resize(at + bytes.size(), '\0');
    }
    disk.data.replace(at, bytes.size(), bytes);
}

std::string console_read(Object& console, DWORD count) {
    if (console.lines.empty()) {
        return {};
    }
    std::string& line = console.lines.front();
    std::string bytes = line.substr(0, count);
    line.erase(0, bytes.size());
    if (line.empty()) {
        console.lines.pop_front();
    }
    return bytes;
}

}  // namespace

// The bytes a ReadFile of `count` gives, or false with `code`.
bool read_object(HANDLE h, DWORD count, std::string& bytes, DWORD& code) {
    HandleEntry* entry = open_entry(h);
    if (entry == nullptr) {
        return failure(code, ERROR_INVALID_HANDLE);
    }
    if (count == 0) {
        return true;  // asks nothing, takes nothing, on every kind
    }
    Object& object = state.objects[entry->object];
    switch (object.kind) {
        case Kind::Disk:
            bytes = disk_read(object, entry->position, count);
            entry->position += bytes.size();
            return true;
        case Kind::Console:
            bytes = console_read(object, count);
            return true;
        case Kind::Pipe:
            if (object.data.empty() && object.writer_closed) {
                return failure(code, ERROR_BROKEN_PIPE);
            }
            bytes = object.data.substr(0, count);
            object.data.erase(0, bytes.size());
            return true;
        case Kind::Refusing:
            return true;  // reads like the NUL device: nothing, at once
        case Kind::Unknown:
            break;  // a handle of a kind nobody can tell serves no transfer
    }
    return failure(code, ERROR_INVALID_FUNCTION);
}

// Takes `bytes` into the object of `h`, or false with `code`.
bool write_object(HANDLE h, const std::string& bytes, DWORD& code) {
    HandleEntry* entry = open_entry(h);
    if (entry == nullptr) {
        return failure(code, ERROR_INVALID_HANDLE);
    }
    Object& object = state.objects[entry->object];
    switch (object.kind) {
        case Kind::Disk:
            disk_write(object, entry->position, bytes);
            entry->position += bytes.size();
            object.written += bytes;
            return true;
        case Kind::Pipe:
            if (object.reader_closed) {
                return failure(code, ERROR_NO_DATA);
            }
            object.written += bytes;
            return true;
        case Kind::Console:
            object.written += bytes;
            return true;
        case Kind::Refusing:
            return failure(code, object.refusal);
        case Kind::Unknown:
            break;  // a handle of a kind nobody can tell serves no transfer
    }
    return failure(code, ERROR_INVALID_FUNCTION);
}

// Moves a disk handle's position. Without a high part the new position must fit
// in 32 bits; it is never negative. A failure leaves the position where it was.
bool seek(HANDLE h, int64_t distance, DWORD method, bool high_part, DWORD& code) {
    HandleEntry* entry = open_entry(h);
    if (entry == nullptr) {
        return failure(code, ERROR_INVALID_HANDLE);
    }
    const Object& object = state.objects[entry->object];
    // Only a disk file has a position; a device or pipe refuses the request.
    if (object.kind != Kind::Disk) {
        return failure(code, ERROR_INVALID_FUNCTION);
    }
    uint64_t base = 0;
    if (method == FILE_CURRENT) {
        base = entry->position;
    } else if (method == FILE_END) {
        base = disk_size(object);
    } else if (method != FILE_BEGIN) {
        return failure(code, ERROR_INVALID_PARAMETER);
    }
    int64_t target = 0;
    if (__builtin_add_overflow(static_cast<int64_t>(base), distance, &target)) {
        return failure(code, ERROR_INVALID_PARAMETER);
    }
    if (target < 0) {
        return failure(code, ERROR_NEGATIVE_SEEK);
    }
    if (!high_part && target >= FOUR_GIB) {
        return failure(code, ERROR_INVALID_PARAMETER);
    }
    entry->position = static_cast<uint64_t>(target);
    return true;
}

}  // namespace sim::internal
