#include "command/command.h"

namespace lintop {

namespace {

// Only these bytes are whitespace and digits; no byte of 128 or above is either.
bool is_space(unsigned char byte) {
    return byte == ' ' || (byte >= 9 && byte <= 13);
}

bool is_digit(unsigned char byte) {
    return byte >= '0' && byte <= '9';
}

}  // namespace

// The value wraps modulo 2^32, so it is accumulated unsigned and only the
// final bit pattern is taken as a signed number.
int32_t parse_count(const char* text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (is_space(*p)) {
        ++p;
    }
    unsigned char sign = *p;
    if (sign == '-' || sign == '+') {
        ++p;
    }
    uint32_t value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    if (sign == '-') {
        value = 0u - value;
    }
    return static_cast<int32_t>(value);
}

}  // namespace lintop
