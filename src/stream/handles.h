// Handle numbers: small non-negative integers naming the open files below
// the streams, each with its HandleRecord.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lintop {

constexpr int32_t MAX_OPEN_HANDLES = 2048;
constexpr int32_t HANDLE_GROUP_SIZE = 32;

// Attribute bits, as the inherited handle block writes them.
constexpr uint8_t HANDLE_IN_USE = 0x01;
constexpr uint8_t HANDLE_END_MARKER = 0x02;
constexpr uint8_t HANDLE_PIPE = 0x08;
constexpr uint8_t HANDLE_NOT_INHERITABLE = 0x10;
constexpr uint8_t HANDLE_APPEND = 0x20;
constexpr uint8_t HANDLE_CHAR_DEVICE = 0x40;
constexpr uint8_t HANDLE_TEXT_MODE = 0x80;

constexpr uint8_t CR = 0x0D;
constexpr uint8_t LF = 0x0A;
constexpr uint8_t CTRL_Z = 0x1A;

// A held-back byte of LF means that nothing is held back.
constexpr uint8_t NOTHING_HELD_BACK = LF;

struct HandleRecord {
    HANDLE platform_handle;
    uint8_t attributes;
    uint8_t held_back;
};

// The records live in groups of HANDLE_GROUP_SIZE, each obtained from the heap
// when it is first needed; `count` numbers exist.
struct HandleTable {
    HandleRecord* groups[MAX_OPEN_HANDLES / HANDLE_GROUP_SIZE];
    int32_t count;
};

extern HandleTable handle_table;

// Provides the next group of numbers; false when 2048 exist already or the
// memory cannot be had.
bool provide_handle_group();

// The record of an existing number, or null for any other number.
HandleRecord* handle_record(int32_t handle);

// The record of a number that exists and is in use, or null.
HandleRecord* handle_in_use(int32_t handle);

// Sets the end marker: from now on every read of the handle gives 0 without
// a platform call.
void end_data(HandleRecord* record);

// Whether an existing number is a character device; false for any other number.
bool is_char_device(int32_t handle);

// The kind attribute for a type from GetFileType, by its low 8 bits: character
// device, pipe, or nothing (a disk file, or any other type).
uint8_t kind_attributes(DWORD file_type);

// Opens an existing file for reading in text mode; the number, or -1.
int32_t open_handle(const char* name);

// Reads up to `count` bytes; the count placed, 0 at end of data, or -1.
int32_t read_handle(int32_t handle, uint8_t* buffer, uint32_t count);

// Moves the file position; the new position, or -1. The position is 64-bit so
// that a file beyond 4 GiB can be moved in.
int64_t seek_handle(int32_t handle, int32_t distance, DWORD origin);

// Writes straight to the handle: the count written when the platform took
// anything, 0 for a Ctrl-Z that a device swallowed, or -1.
int32_t write_handle(int32_t handle, const uint8_t* bytes, uint32_t count);

}  // namespace lintop
