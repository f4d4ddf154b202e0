#include <cstring>

#include "stream/handles.h"
#include "stream/translate.h"

namespace lintop {

namespace {

// A chunk is closed once it holds this many bytes; an LF arriving one byte
// short of it makes the chunk one byte longer, so CR and LF stay together.
constexpr uint32_t CHUNK_CLOSE = EXPANSION_BUFFER_SIZE - 1;

// Each LF of a chunk takes two of its bytes.
constexpr uint32_t MAX_CHUNK_LINE_ENDS = EXPANSION_BUFFER_SIZE / 2;

struct Chunk {
    const uint8_t* start;  // `bytes`, or the caller's own bytes when they hold no LF
    uint32_t size;
    uint32_t taken;                       // the caller's bytes that went into it
    uint32_t line_ends;                   // the CR LF pairs in it
    uint16_t cr_at[MAX_CHUNK_LINE_ENDS];  // where each pair starts, in order
    uint8_t bytes[EXPANSION_BUFFER_SIZE];
};

// The chunk is built from the runs between LFs, each moved by one copy; the
// caller's bytes up to the close without any LF go out as they are.
void fill_chunk(Chunk& chunk, const uint8_t* source, uint32_t count) {
    chunk.start = chunk.bytes;
    chunk.size = 0;
    chunk.taken = 0;
    chunk.line_ends = 0;
    while (chunk.taken < count && chunk.size < CHUNK_CLOSE) {
        const uint32_t left = count - chunk.taken;
        const uint32_t span = left < CHUNK_CLOSE - chunk.size ? left : CHUNK_CLOSE - chunk.size;
        const uint8_t* from = source + chunk.taken;
        const auto* lf = static_cast<const uint8_t*>(std::memchr(from, LF, span));
        if (lf == nullptr && chunk.size == 0) {
            chunk.start = from;
            chunk.size = span;
            chunk.taken = span;
            return;
        }
        const uint32_t run = lf != nullptr ? static_cast<uint32_t>(lf - from) : span;
        std::memcpy(chunk.bytes + chunk.size, from, run);
        chunk.size += run;
        chunk.taken += run;
        if (lf != nullptr) {
            chunk.cr_at[chunk.line_ends++] = static_cast<uint16_t>(chunk.size);
            chunk.bytes[chunk.size++] = CR;
            chunk.bytes[chunk.size++] = LF;
            ++chunk.taken;
        }
    }
}

// How many of the chunk's source bytes went out whole in its first `sent`
// bytes: every byte sent is one source byte, except that a whole pair is one
// and a CR sent without its LF is none.
uint32_t whole_in(const Chunk& chunk, uint32_t sent) {
    uint32_t pairs = 0;
    while (pairs < chunk.line_ends && chunk.cr_at[pairs] + 2u <= sent) {
        ++pairs;
    }
    const bool split = pairs < chunk.line_ends && chunk.cr_at[pairs] < sent;
    return sent - pairs - (split ? 1u : 0u);
}

}  // namespace

TranslatedWrite write_translated(int32_t handle, const uint8_t* bytes, uint32_t count) {
    HANDLE file = handle_record(handle)->platform_handle;
    TranslatedWrite result = {0, 0, false, 0};
    Chunk chunk;
    while (result.count < count) {
        fill_chunk(chunk, bytes + result.count, count - result.count);
        DWORD sent = 0;
        if (!WriteFile(file, chunk.start, chunk.size, &sent, nullptr)) {
            result.failed = true;
            result.code = GetLastError();
            break;
        }
        if (sent > chunk.size) {
            sent = chunk.size;
        }
        result.accepted += sent;
        if (sent < chunk.size) {
            result.count += whole_in(chunk, sent);
            break;
        }
        result.count += chunk.taken;
    }
    return result;
}

}  // namespace lintop
