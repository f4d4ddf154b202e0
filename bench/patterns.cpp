#include "patterns.h"

#include <algorithm>
#include <iterator>

namespace bench {
namespace {

constexpr uint8_t CR = 0x0D;
constexpr uint8_t LF = 0x0A;
constexpr uint8_t CTRL_Z = 0x1A;

struct NamedPattern {
    Pattern pattern;
    std::string_view name;
};

constexpr NamedPattern NAMES[] = {
    {Pattern::LF_LINES, "lf80"},   {Pattern::CRLF_LINES, "crlf80"}, {Pattern::SHORT_LINES, "short"},
    {Pattern::LONG_LINES, "long"}, {Pattern::ONE_LINE, "oneline"},  {Pattern::BINARY, "binary"},
    {Pattern::EDGES, "edges"},
};

// Printable text that changes from line to line, so that no byte run repeats exactly.
uint8_t text_byte(uint64_t offset) {
    return static_cast<uint8_t>('a' + (offset * 7 + offset / 80) % 26);
}

}  // namespace

std::string_view pattern_name(Pattern pattern) {
    for (const NamedPattern& entry : NAMES) {
        if (entry.pattern == pattern) {
            return entry.name;
        }
    }
    return "?";
}

bool pattern_named(std::string_view name, Pattern* pattern) {
    const auto* entry = std::ranges::find(NAMES, name, &NamedPattern::name);
    if (entry == std::end(NAMES)) {
        return false;
    }
    *pattern = entry->pattern;
    return true;
}

PatternSource::PatternSource(Pattern pattern, uint64_t total) : pattern_(pattern), total_(total) {}

void PatternSource::fill(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = next_byte();
    }
}

uint8_t PatternSource::next_byte() {
    const uint64_t at = offset_++;
    switch (pattern_) {
        case Pattern::LF_LINES:
            return at % 80 == 79 ? LF : text_byte(at);
        case Pattern::CRLF_LINES:
            return at % 80 == 79 ? LF : at % 80 == 78 ? CR : text_byte(at);
        case Pattern::SHORT_LINES: {
            // "\n", "a\n", "bc\n" over and over.
            constexpr uint8_t CYCLE[] = {LF, 'a', LF, 'b', 'c', LF};
            return CYCLE[at % 6];
        }
        case Pattern::LONG_LINES: {
            const uint64_t in_pair = at % (4095 + 4096);
            return in_pair == 4094 || in_pair == 4095 + 4095 ? LF : text_byte(at);
        }
        case Pattern::ONE_LINE:
            return at + 1 == total_ ? LF : text_byte(at);
        case Pattern::BINARY: {
            random_ ^= random_ << 13;
            random_ ^= random_ >> 7;
            random_ ^= random_ << 17;
            const auto byte = static_cast<uint8_t>(random_ >> 56);
            return byte == LF ? 0 : byte == CTRL_Z ? CR : byte;
        }
        case Pattern::EDGES:
            break;
    }
    return edges_byte(at);
}

// Mostly short lines, so that a line end falls on every offset of a
// read; every 64th line long enough to be cut into pieces. The endings
// take turns: CR LF, LF, a lone CR, CR CR LF. A Ctrl-Z ends the data 64
// bytes before the end of the file.
uint8_t PatternSource::edges_byte(uint64_t at) {
    if (total_ > 64 && at == total_ - 64) {
        return CTRL_Z;
    }
    const uint64_t length = line_ % 64 == 63 ? line_ * 13 % 9000 : line_ % 97;
    const uint64_t column = column_++;
    if (column < length) {
        return column % 31 == 30 ? 0 : text_byte(at);
    }
    const uint64_t ending = column - length;
    uint8_t byte = CR;
    bool last = false;
    switch (line_ % 4) {
        case 0:
            byte = ending == 0 ? CR : LF;
            last = ending == 1;
            break;
        case 1:
            byte = LF;
            last = true;
            break;
        case 2:
            byte = CR;
            last = true;
            break;
        default:
            byte = ending < 2 ? CR : LF;
            last = ending == 2;
            break;
    }
    if (last) {
        ++line_;
        column_ = 0;
    }
    return byte;
}

}  // namespace bench
