// Text mode: CR LF in, LF; LF out, CR LF; Ctrl-Z ends the data.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lintop {

// The bound at which a chunk of translated output is closed; an LF that
// arrives with one byte of room left still goes out whole with its CR.
constexpr uint32_t EXPANSION_BUFFER_SIZE = 1025;

// Rewrites the `placed` bytes of a read in place; returns how many
// translated bytes now start the buffer.
uint32_t translate_input(int32_t handle, uint8_t* buffer, uint32_t placed);

struct TranslatedWrite {
    uint32_t accepted;  // bytes the platform took over all chunks
    uint32_t count;     // the caller's bytes whose translated form went out whole
    bool failed;        // a WriteFile call failed
    DWORD code;         // its GetLastError code
};

// Sends `count` bytes (at least 1) with each LF as CR LF, in chunks, stopping
// at the first chunk that fails or is taken only in part.
TranslatedWrite write_translated(int32_t handle, const uint8_t* bytes, uint32_t count);

}  // namespace lintop
