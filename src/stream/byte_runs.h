// Searching and copying runs of bytes. Most runs are short (a line piece, the
// bytes between two line ends), where a library call costs more than the work
// itself: short runs are handled in line, long ones by memchr and memcpy.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// LINTOP_NO_SSE2 builds the scalar scan alone, as on a target without SSE2,
// so that the tests run it too.
#if defined(__SSE2__) && !defined(LINTOP_NO_SSE2)
#define LINTOP_SSE2_SCAN 1
#include <emmintrin.h>
#endif

namespace lintop {

constexpr size_t RUN_BLOCK = 16;

// Bit i is set where bytes[i] is `byte`, over RUN_BLOCK bytes: the scalar
// form, built on every target.
inline uint32_t block_matches_scalar(const uint8_t* bytes, uint8_t byte) {
    uint32_t found = 0;
    for (size_t at = 0; at < RUN_BLOCK; ++at) {
        found |= static_cast<uint32_t>(bytes[at] == byte) << at;
    }
    return found;
}

#if defined(LINTOP_SSE2_SCAN)
// The same in one compare.
inline uint32_t block_matches_sse2(const uint8_t* bytes, uint8_t byte) {
    const __m128i loaded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(loaded, _mm_set1_epi8(static_cast<char>(byte)))));
}
#endif

// The scan that block_matches runs, named where it is chosen, so that a test
// can tell which one a build compiled in.
#if defined(LINTOP_SSE2_SCAN)
constexpr char BYTE_SCAN[] = "SSE2";
#else
constexpr char BYTE_SCAN[] = "scalar";
#endif

inline uint32_t block_matches(const uint8_t* bytes, uint8_t byte) {
#if defined(LINTOP_SSE2_SCAN)
    return block_matches_sse2(bytes, byte);
#else
    return block_matches_scalar(bytes, byte);
#endif
}

// The first `byte` among `count` bytes, or null. The first 128 bytes are
// searched in blocks, so that an 80-byte line is found without a call;
// memchr's wider steps win beyond.
inline const uint8_t* find_in_run(const uint8_t* bytes, size_t count, uint8_t byte) {
    constexpr size_t IN_LINE = 128;
    if (count < RUN_BLOCK) {
        for (size_t at = 0; at < count; ++at) {
            if (bytes[at] == byte) {
                return bytes + at;
            }
        }
        return nullptr;
    }
    size_t at = 0;
    for (; at + RUN_BLOCK <= count && at < IN_LINE; at += RUN_BLOCK) {
        if (const uint32_t found = block_matches(bytes + at, byte); found != 0) {
            return bytes + at + std::countr_zero(found);
        }
    }
    if (at == count) {
        return nullptr;
    }
    if (count - at >= RUN_BLOCK) {
        return static_cast<const uint8_t*>(std::memchr(bytes + at, byte, count - at));
    }
    // The last block, less the bytes already searched.
    const uint32_t found = block_matches(bytes + count - RUN_BLOCK, byte) >> (RUN_BLOCK - (count - at));
    return found != 0 ? bytes + at + std::countr_zero(found) : nullptr;
}

namespace byte_runs_detail {

// Copies N to 2N bytes as two blocks of N that overlap in the middle; the
// places do not overlap, so the second block rewrites bytes with their own values.
template <size_t N>
inline void copy_ends(uint8_t* to, const uint8_t* from, size_t count) {
    std::memcpy(to, from, N);
    std::memcpy(to + count - N, from + count - N, N);
}

}  // namespace byte_runs_detail

// Copies `count` bytes between places that do not overlap.
inline void copy_run(uint8_t* to, const uint8_t* from, size_t count) {
    if (count > 16) {
        std::memcpy(to, from, count);
    } else if (count >= 8) {
        byte_runs_detail::copy_ends<8>(to, from, count);
    } else if (count >= 4) {
        byte_runs_detail::copy_ends<4>(to, from, count);
    } else if (count > 0) {
        // First, middle and last cover 1 to 3 bytes.
        to[0] = from[0];
        to[count / 2] = from[count / 2];
        to[count - 1] = from[count - 1];
    }
}

}  // namespace lintop
