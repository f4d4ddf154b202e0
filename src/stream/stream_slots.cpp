#include "platform/platform.h"
#include "stream/error.h"
#include "stream/handles.h"
#include "stream/output_buffers.h"
#include "stream/streams.h"

namespace lintop {

StreamTable stream_table = {};

namespace {

bool slot_is_free(const StreamRecord* stream) {
    return (stream->state & (STREAM_READING | STREAM_WRITING)) == 0;
}

}  // namespace

StreamRecord* take_stream_slot() {
    for (int32_t slot = 0; slot < MAX_OPEN_STREAMS; ++slot) {
        StreamRecord*& stream = stream_table.slots[slot];
        if (stream != nullptr && !slot_is_free(stream)) {
            continue;
        }
        if (stream == nullptr) {
            stream = static_cast<StreamRecord*>(HeapAlloc(GetProcessHeap(), 0, sizeof(StreamRecord)));
            if (stream == nullptr) {
                return nullptr;
            }
        }
        *stream = StreamRecord{nullptr, 0, nullptr, 0, -1, {0, 0, 0, 0}, 0};
        return stream;
    }
    return nullptr;
}

void reset_stream_layer() {
    handle_table = HandleTable{};
    stream_table = StreamTable{};
    temporary_buffers[0] = nullptr;
    temporary_buffers[1] = nullptr;
    set_error(0);
    first_failure = TransferFailure{false, -1, 0};
}

// Writes out what every stream still holds, in slot order: standard output
// before standard error. Results are of no use at exit.
void flush_all_streams() {
    for (StreamRecord* stream : stream_table.slots) {
        if (stream != nullptr && !slot_is_free(stream)) {
            flush_stream(stream);
        }
    }
}

}  // namespace lintop
