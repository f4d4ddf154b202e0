// The count parser against a plain model of its rules, on any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "command/command.h"

namespace {

// Blanks 9 to 13 and 32 skipped, an optional sign, then digits; the value
// wraps modulo 2^32 and a '-' negates it.
int32_t model(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= 9 && text[at] <= 13))) {
        ++at;
    }
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        ++at;
    }
    uint64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = (value * 10 + static_cast<uint64_t>(text[at] - '0')) % (uint64_t{1} << 32);
    }
    if (negative) {
        value = ((uint64_t{1} << 32) - value) % (uint64_t{1} << 32);
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text as the command line gives it: up to its first zero byte.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string line = text.substr(0, text.find('\0'));
    if (lintop::parse_count(line.c_str()) != model(line)) {
        __builtin_trap();
    }
    return 0;
}
