// What the exhaustive checks share: the order in which they walk every short
// input, and how a failure names its input and its first wrong byte.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace test_support {

// Steps `input` to the next string over `alphabet`: shorter strings first, and
// within one length in the order of the alphabet, so that the first failure
// met is the smallest failing input.
inline void next_input(std::string& input, std::string_view alphabet) {
    for (size_t i = input.size(); i-- > 0;) {
        const size_t digit = alphabet.find(input[i]);
        if (digit + 1 < alphabet.size()) {
            input[i] = alphabet[digit + 1];
            return;
        }
        input[i] = alphabet[0];
    }
    input.insert(input.begin(), alphabet[0]);
}

// The bytes as two hex digits each; "(empty)" for none.
inline std::string hex(std::string_view bytes) {
    if (bytes.empty()) {
        return "(empty)";
    }
    std::string text;
    for (char byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x ", static_cast<unsigned char>(byte));
        text += digits;
    }
    text.pop_back();
    return text;
}

// Where `got` first leaves `expected`: "" when they agree.
inline std::string first_difference(std::string_view expected, std::string_view got) {
    size_t at = 0;
    while (at < expected.size() && at < got.size() && expected[at] == got[at]) {
        ++at;
    }
    if (at == expected.size() && at == got.size()) {
        return "";
    }
    const auto byte_at = [at](std::string_view bytes) {
        return at < bytes.size() ? hex(bytes.substr(at, 1)) : std::string("the end");
    };
    return "first difference at byte " + std::to_string(at) + ": expected " + byte_at(expected) + ", got " +
           byte_at(got) + " (expected " + hex(expected) + ", got " + hex(got) + ")";
}

}  // namespace test_support
