// Test data that shows a lost, doubled or misplaced stretch.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace test_support {

// n letters and digits, cycling through 36 and shifted by one every 256, so
// that the whole repeats only every 9,216 bytes (a run of one letter would
// hide a lost stretch); none is a CR, LF or Ctrl-Z.
inline std::string pattern(size_t n) {
    constexpr std::string_view ALPHABET = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string text(n, ' ');
    for (size_t i = 0; i < n; ++i) {
        text[i] = ALPHABET[(i + i / 256) % ALPHABET.size()];
    }
    return text;
}

}  // namespace test_support
