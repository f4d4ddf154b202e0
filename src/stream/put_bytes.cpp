#include <cstring>

#include "platform/platform.h"
#include "stream/handles.h"
#include "stream/output_buffers.h"

namespace lintop {

namespace {

void obtain_own_buffer(TextOutput* output) {
    void* memory = HeapAlloc(GetProcessHeap(), 0, STREAM_BUFFER_SIZE);
    if (memory != nullptr) {
        output->buffer = static_cast<uint8_t*>(memory);
        output->next = output->buffer;
        output->buffer_size = STREAM_BUFFER_SIZE;
        output->state |= STREAM_OWN_BUFFER;
    } else {
        // Nothing is stored here: every byte goes to the handle by itself.
        output->buffer = output->small_buffer;
        output->next = output->buffer;
        output->buffer_size = FALLBACK_BUFFER_SIZE;
        output->state |= STREAM_FALLBACK;
    }
}

int32_t pending_bytes(const TextOutput* output) {
    return static_cast<int32_t>(output->next - output->buffer);
}

}  // namespace

int put_byte(TextOutput* output, uint8_t byte) {
    if (--output->left >= 0) {
        *output->next++ = byte;
        return byte;
    }
    return flush_and_put(output, byte);
}

// Called when the buffer has no room: writes out what it holds and starts it
// afresh with `byte`. A console's standard stream never gets a buffer of its own.
int flush_and_put(TextOutput* output, uint8_t byte) {
    if ((output->state & STREAM_WRITING) == 0) {
        output->state |= STREAM_ERROR_SEEN;
        return -1;
    }
    output->left = 0;
    if (!has_buffering(output) && !(is_standard_output_or_error(output) && is_char_device(output->handle))) {
        obtain_own_buffer(output);
    }
    int32_t pending = 1;
    int32_t written = 0;
    if (has_buffer(output)) {
        pending = pending_bytes(output);
        output->next = output->buffer;
        if (pending > 0) {
            written = write_handle(output->handle, output->buffer, static_cast<uint32_t>(pending));
        }
        // After a failed write-out the byte is not kept: the buffer stays
        // empty, so that nothing behind the gap reaches the handle at exit.
        if (written == pending) {
            *output->next++ = byte;
            output->left = output->buffer_size - 1;
        }
    } else {
        written = write_handle(output->handle, &byte, 1);
    }
    if (written != pending) {
        output->state |= STREAM_ERROR_SEEN;
        return -1;
    }
    return byte;
}

// Pending bytes are dropped after a failed write-out, never written again.
int flush_stream(StreamRecord* stream) {
    int result = 0;
    bool writing_only = (stream->state & (STREAM_WRITING | STREAM_READING)) == STREAM_WRITING;
    if (writing_only && has_buffer(stream) && pending_bytes(stream) > 0) {
        int32_t pending = pending_bytes(stream);
        if (write_handle(stream->handle, stream->buffer, static_cast<uint32_t>(pending)) != pending) {
            stream->state |= STREAM_ERROR_SEEN;
            result = -1;
        }
    }
    stream->next = stream->buffer;
    stream->left = 0;
    return result;
}

// Fills the buffer; with it full and at least a unit left, writes it out and
// sends whole units straight from the caller's bytes. Returns the bytes accepted.
uint32_t write_bytes(TextOutput* output, const uint8_t* bytes, uint32_t count) {
    if (count == 0) {
        return 0;
    }
    uint32_t unit = has_buffering(output) ? static_cast<uint32_t>(output->buffer_size) : STREAM_BUFFER_SIZE;
    uint32_t remaining = count;
    while (remaining != 0) {
        if (has_buffer(output) && output->left > 0) {
            uint32_t room = static_cast<uint32_t>(output->left);
            uint32_t copied = remaining < room ? remaining : room;
            std::memcpy(output->next, bytes, copied);
            output->next += copied;
            output->left -= static_cast<int32_t>(copied);
            bytes += copied;
            remaining -= copied;
        } else if (remaining < unit) {
            if (flush_and_put(output, *bytes) == -1) {
                return count - remaining;
            }
            ++bytes;
            --remaining;
            unit = output->buffer_size > 0 ? static_cast<uint32_t>(output->buffer_size) : 1;
        } else {
            if (has_buffer(output) && flush_stream(output) == -1) {
                return count - remaining;
            }
            uint32_t whole = remaining - (remaining % unit);
            int32_t written = write_handle(output->handle, bytes, whole);
            if (written < 0) {
                output->state |= STREAM_ERROR_SEEN;
                return count - remaining;
            }
            bytes += written;
            remaining -= static_cast<uint32_t>(written);
            if (static_cast<uint32_t>(written) < whole) {
                output->state |= STREAM_ERROR_SEEN;
                return count - remaining;
            }
        }
    }
    return count;
}

}  // namespace lintop
