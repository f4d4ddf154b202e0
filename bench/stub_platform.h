// The platform of the micro-benchmarks: in-memory disk files to read, and
// standard handles whose writes are taken whole and thrown away, so that
// only the stream layer's own work is measured.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace bench {

// Makes `name` a disk file holding `bytes` (which stay the caller's) for CreateFileA.
void add_stub_file(const char* name, const uint8_t* bytes, size_t size);

// Puts the position of an opened stub file back to its start.
void rewind_stub_file(HANDLE file);

}  // namespace bench
