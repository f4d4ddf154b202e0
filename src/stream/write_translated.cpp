#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#include "stream/byte_runs.h"
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

// Ends a line in the chunk: CR LF at `to`, and where the pair starts.
void put_line_end(Chunk& chunk, uint8_t*& to, uint32_t& line_ends) {
    chunk.cr_at[line_ends++] = static_cast<uint16_t>(to - chunk.bytes);
    to[0] = CR;
    to[1] = LF;
    to += 2;
}

// How far one block of source bytes reaches. Its reads: the block, then the
// run after its last LF, copied a block wide from at most a block on. Its
// stores: two blocks at the most for the block expanded, then that run's
// block-wide store.
constexpr auto BLOCK = static_cast<ptrdiff_t>(RUN_BLOCK);
constexpr ptrdiff_t READ_AHEAD = 2 * BLOCK;
constexpr ptrdiff_t STORE_AHEAD = 3 * BLOCK;
// A block is taken only with more than STORE_AHEAD bytes left before the
// close, so its last store ends before the close, inside the chunk.
static_assert(BLOCK + BLOCK <= READ_AHEAD && 2 * BLOCK + BLOCK <= STORE_AHEAD);
static_assert(STORE_AHEAD < CHUNK_CLOSE && CHUNK_CLOSE < EXPANSION_BUFFER_SIZE);

// Close LFs, a block of source bytes at a time: each run between them is
// moved by one block store, which the next run overwrites where it
// overshoots. A block is taken while its reads stay in the source and its
// stores before the close, so the close is never reached inside one. A block
// without LF is left to the long-run step.
void take_close_lfs(Chunk& chunk, const uint8_t*& from, const uint8_t* end, uint8_t*& to, uint32_t& line_ends) {
    const uint8_t* const close = chunk.bytes + CHUNK_CLOSE;
    while (end - from >= READ_AHEAD && close - to > STORE_AHEAD) {
        uint32_t lfs = block_matches(from, LF);
        if (lfs == 0) {
            return;
        }
        size_t taken = 0;
        do {
            const auto lf = static_cast<size_t>(std::countr_zero(lfs));
            std::memcpy(to, from + taken, RUN_BLOCK);
            to += lf - taken;
            put_line_end(chunk, to, line_ends);
            taken = lf + 1;
            lfs &= lfs - 1;
        } while (lfs != 0);
        std::memcpy(to, from + taken, RUN_BLOCK);
        to += RUN_BLOCK - taken;
        from += RUN_BLOCK;
    }
}

// The chunk is built from the runs between LFs, each moved by one copy; the
// caller's bytes up to the close without any LF go out as they are.
void fill_chunk(Chunk& chunk, const uint8_t* source, uint32_t count) {
    // Locals rather than the record's fields, so that they stay in registers
    // across the library calls of long runs.
    const uint8_t* from = source;
    const uint8_t* const end = source + count;
    uint8_t* to = chunk.bytes;
    uint8_t* const close = chunk.bytes + CHUNK_CLOSE;
    uint32_t line_ends = 0;
    chunk.start = chunk.bytes;
    while (from < end && to < close) {
        const auto span = static_cast<size_t>(end - from < close - to ? end - from : close - to);
        const uint8_t* lf = find_in_run(from, span, LF);
        if (lf == nullptr && to == chunk.bytes) {
            chunk.start = from;
            to += span;
            from += span;
            break;
        }
        const size_t run = lf != nullptr ? static_cast<size_t>(lf - from) : span;
        copy_run(to, from, run);
        to += run;
        from += run;
        if (lf != nullptr) {
            put_line_end(chunk, to, line_ends);
            ++from;
            if (run < RUN_BLOCK) {
                take_close_lfs(chunk, from, end, to, line_ends);
            }
        }
    }
    chunk.size = static_cast<uint32_t>(to - chunk.bytes);
    chunk.taken = static_cast<uint32_t>(from - source);
    chunk.line_ends = line_ends;
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
        sent = std::min<DWORD>(sent, chunk.size);
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
