// How an output stream's buffer is arranged: its own, lent for one call,
// the fallback, or none.
#pragma once

#include "stream/streams.h"

namespace lintop {

// One 4096-byte buffer each for standard output and standard error, obtained
// at the first call that needs it and lent to its stream for one call at a time.
extern uint8_t* temporary_buffers[2];

inline bool has_buffer(const TextOutput* output) {
    return (output->state & (STREAM_OWN_BUFFER | STREAM_LENT_BUFFER)) != 0;
}

inline bool has_buffering(const TextOutput* output) {
    return has_buffer(output) || (output->state & STREAM_FALLBACK) != 0;
}

inline bool is_standard_output_or_error(const TextOutput* output) {
    return output == standard_output() || output == standard_error();
}

}  // namespace lintop
