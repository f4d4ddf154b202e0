// The byte patterns of the benchmark's data sets, made on the fly so that no
// data set is ever stored in the repository.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace bench {

enum class Pattern {
    LF_LINES,     // 80-byte lines ending in LF
    CRLF_LINES,   // 80-byte lines ending in CR LF
    SHORT_LINES,  // lines of 1, 2 and 3 bytes, LF included
    LONG_LINES,   // 4095- and 4096-byte lines, LF included: one fits a piece, one is cut
    ONE_LINE,     // a single line filling the whole size, LF last
    BINARY,       // random bytes with NULs and CRs, no LF and no Ctrl-Z
    EDGES,        // CR LF, lone CRs and CR CR LF at every offset of a read, Ctrl-Z near the end
};

constexpr Pattern ALL_PATTERNS[] = {Pattern::LF_LINES, Pattern::CRLF_LINES, Pattern::SHORT_LINES, Pattern::LONG_LINES,
                                    Pattern::ONE_LINE, Pattern::BINARY,     Pattern::EDGES};

std::string_view pattern_name(Pattern pattern);

// False when `name` names no pattern.
bool pattern_named(std::string_view name, Pattern* pattern);

// Produces the bytes of a data set of `total` bytes in consecutive pieces.
class PatternSource {
public:
    PatternSource(Pattern pattern, uint64_t total);
    void fill(uint8_t* bytes, size_t count);

private:
    uint8_t next_byte();
    uint8_t edges_byte(uint64_t at);

    Pattern pattern_;
    uint64_t total_;
    uint64_t offset_ = 0;
    uint64_t random_ = 0x9E3779B97F4A7C15u;
    uint64_t line_ = 0;    // EDGES: the number of the current line
    uint64_t column_ = 0;  // EDGES: the offset within it
};

}  // namespace bench
