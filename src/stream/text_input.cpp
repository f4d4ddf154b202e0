#include "platform/platform.h"
#include "stream/byte_runs.h"
#include "stream/error.h"
#include "stream/handles.h"
#include "stream/streams.h"

namespace lintop {

TextInput* open_text_input(const char* name) {
    TextInput* input = take_stream_slot();
    if (input == nullptr) {
        set_error(error_numbers::MFILE);
        return nullptr;
    }
    int32_t handle = open_handle(name);
    if (handle < 0) {
        return nullptr;  // the slot stays free: its state is still clear
    }
    input->state = STREAM_READING;
    input->handle = handle;
    input->next = nullptr;
    return input;
}

// The buffer is obtained at the first refill; without memory for it the
// stream reads two bytes at a time through its small buffer.
int fill_buffer(TextInput* input) {
    input->state |= STREAM_READING;
    if (input->buffer == nullptr) {
        void* memory = HeapAlloc(GetProcessHeap(), 0, STREAM_BUFFER_SIZE);
        if (memory != nullptr) {
            input->buffer = static_cast<uint8_t*>(memory);
            input->buffer_size = STREAM_BUFFER_SIZE;
            input->state |= STREAM_OWN_BUFFER;
        } else {
            input->buffer = input->small_buffer;
            input->buffer_size = FALLBACK_BUFFER_SIZE;
            input->state |= STREAM_FALLBACK;
        }
    }
    input->next = input->buffer;
    int32_t got = read_handle(input->handle, input->buffer, static_cast<uint32_t>(input->buffer_size));
    if (got <= 0) {
        input->state |= got == 0 ? STREAM_END_SEEN : STREAM_ERROR_SEEN;
        input->left = 0;
        return -1;
    }
    input->left = got - 1;
    return *input->next++;
}

// Takes bytes up to and including an LF, at most size - 1 of them. The end
// of data or a failure before any byte gives none and leaves the buffer as it was.
uint8_t* read_line_piece(TextInput* input, uint8_t* buffer, int32_t size, int32_t* length) {
    if (size <= 0) {
        return nullptr;
    }
    int32_t stored = 0;
    const int32_t limit = size - 1;
    while (stored < limit) {
        if (input->left <= 0) {
            int byte = fill_buffer(input);
            if (byte < 0) {
                if (stored == 0) {
                    return nullptr;
                }
                break;
            }
            buffer[stored++] = static_cast<uint8_t>(byte);
            if (byte == LF) {
                break;
            }
            continue;
        }
        size_t want = static_cast<size_t>(input->left < limit - stored ? input->left : limit - stored);
        const uint8_t* line_end = find_in_run(input->next, want, LF);
        size_t take = line_end != nullptr ? static_cast<size_t>(line_end - input->next) + 1 : want;
        copy_run(buffer + stored, input->next, take);
        input->next += take;
        input->left -= static_cast<int32_t>(take);
        stored += static_cast<int32_t>(take);
        if (line_end != nullptr) {
            break;
        }
    }
    buffer[stored] = 0;
    *length = stored;
    return buffer;
}

}  // namespace lintop
