#include "stream/handles.h"
#include "stream/translate.h"

namespace lintop {

namespace {

// A chunk is closed once it holds this many bytes; an LF arriving one byte
// short of it makes the chunk one byte longer, so CR and LF stay together.
constexpr uint32_t CHUNK_CLOSE = EXPANSION_BUFFER_SIZE - 1;

struct Chunk {
    uint8_t bytes[EXPANSION_BUFFER_SIZE];
    uint32_t size;
    uint32_t taken;  // the caller's bytes that went into it
};

void fill_chunk(Chunk& chunk, const uint8_t* bytes, uint32_t count) {
    chunk.size = 0;
    chunk.taken = 0;
    while (chunk.taken < count && chunk.size < CHUNK_CLOSE) {
        uint8_t byte = bytes[chunk.taken++];
        if (byte == LF) {
            chunk.bytes[chunk.size++] = CR;
        }
        chunk.bytes[chunk.size++] = byte;
    }
}

// How many of the chunk's source bytes went out whole in its first `sent` bytes.
uint32_t whole_in(const uint8_t* bytes, uint32_t taken, uint32_t sent) {
    uint32_t whole = 0;
    uint32_t used = 0;
    while (whole < taken) {
        uint32_t size = bytes[whole] == LF ? 2 : 1;
        if (used + size > sent) {
            break;
        }
        used += size;
        ++whole;
    }
    return whole;
}

}  // namespace

TranslatedWrite write_translated(int32_t handle, const uint8_t* bytes, uint32_t count) {
    HANDLE file = handle_record(handle)->platform_handle;
    TranslatedWrite result = {0, 0, false, 0};
    Chunk chunk;
    while (result.count < count) {
        const uint8_t* source = bytes + result.count;
        fill_chunk(chunk, source, count - result.count);
        DWORD sent = 0;
        if (!WriteFile(file, chunk.bytes, chunk.size, &sent, nullptr)) {
            result.failed = true;
            result.code = GetLastError();
            break;
        }
        if (sent > chunk.size) {
            sent = chunk.size;
        }
        result.accepted += sent;
        if (sent < chunk.size) {
            result.count += whole_in(source, chunk.taken, sent);
            break;
        }
        result.count += chunk.taken;
    }
    return result;
}

}  // namespace lintop
