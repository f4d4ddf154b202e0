#include <cstring>

#include "platform/platform.h"
#include "stream/byte_runs.h"
#include "stream/handles.h"
#include "stream/output_buffers.h"

namespace lintop {

uint8_t* temporary_buffers[2] = {nullptr, nullptr};

namespace {

uint8_t*& temporary_buffer_of(const TextOutput* output) {
    return temporary_buffers[output == standard_output() ? 0 : 1];
}

}  // namespace

// A console's standard stream gets a buffer for the length of one call, so
// that each call reaches the console before it returns.
bool begin_temporary_buffer(TextOutput* output) {
    // The cheapest test first: a stream with a buffer of its own is the
    // common case of every piece written to a file or pipe.
    if (has_buffering(output) || !is_standard_output_or_error(output)) {
        return false;
    }
    if (!is_char_device(output->handle)) {
        return false;
    }
    uint8_t*& buffer = temporary_buffer_of(output);
    if (buffer == nullptr) {
        buffer = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, STREAM_BUFFER_SIZE));
        if (buffer == nullptr) {
            return false;
        }
    }
    output->buffer = buffer;
    output->next = buffer;
    output->left = STREAM_BUFFER_SIZE;
    output->buffer_size = STREAM_BUFFER_SIZE;
    output->state |= STREAM_WRITING | STREAM_LENT_BUFFER | STREAM_TEMPORARY;
    return true;
}

void end_temporary_buffer(TextOutput* output, bool installed) {
    if (!installed || (output->state & STREAM_TEMPORARY) == 0) {
        return;
    }
    flush_stream(output);
    output->state &= ~(STREAM_LENT_BUFFER | STREAM_TEMPORARY);
    output->buffer_size = 0;
    output->buffer = nullptr;
    output->next = nullptr;
}

int write_text(TextOutput* output, const uint8_t* bytes, uint32_t length) {
    // A piece that fits a buffer the stream already has is only stored, as
    // write_bytes would store it; neither console rule applies to it.
    if (has_buffer(output) && output->left >= 0 && length <= static_cast<uint32_t>(output->left)) {
        copy_run(output->next, bytes, length);
        output->next += length;
        output->left -= static_cast<int32_t>(length);
        return 0;
    }
    const bool installed = begin_temporary_buffer(output);
    uint32_t accepted = write_bytes(output, bytes, length);
    end_temporary_buffer(output, installed);
    return accepted == length ? 0 : -1;
}

int write_text(TextOutput* output, const char* text) {
    return write_text(output, reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)));
}

int32_t write_message(TextOutput* output, const char* message) {
    const bool installed = begin_temporary_buffer(output);
    int32_t written = 0;
    for (const char* byte = message; *byte != '\0'; ++byte) {
        if (put_byte(output, static_cast<uint8_t>(*byte)) == -1) {
            written = -1;
            break;
        }
        ++written;
    }
    end_temporary_buffer(output, installed);
    return written;
}

}  // namespace lintop
