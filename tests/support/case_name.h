// The names of parameterised cases, shared by the unit, POSIX and end-to-end
// tests: readable, and the same in every build.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// The first field of a table's row: its name, which is also what GoogleTest
// prints for the row.
struct NamedCase {
    std::string name;
    friend std::ostream& operator<<(std::ostream& out, const NamedCase& c) { return out << c.name; }
};

// GoogleTest takes only ASCII letters, digits and '_' in a name.
inline bool allowed_in_name(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Text whose every byte that a name cannot hold is '_'.
inline std::string plain_name(std::string name) {
    for (char& c : name) {
        c = allowed_in_name(c) ? c : '_';
    }
    return name;
}

// Any bytes spelled for a name: letters and digits stay, any other byte is a
// word of its own ("minus", "cr", "xA0"); words are joined by '_'.
inline std::string case_name(std::string_view text) {
    constexpr std::string_view BYTES("-+/. \t\n\v\f\r\x1a\0", 12);
    const char* const WORDS[] = {"minus", "plus", "slash", "dot", "blank",  "tab",
                                 "lf",    "vt",   "ff",    "cr",  "ctrl_z", "nul"};
    const char* const HEX = "0123456789ABCDEF";
    std::string name;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        const bool plain = allowed_in_name(c) && c != '_';
        const bool after_plain = at > 0 && allowed_in_name(text[at - 1]) && text[at - 1] != '_';
        name += at == 0 || (plain && after_plain) ? "" : "_";
        const size_t word = BYTES.find(c);
        const auto byte = static_cast<unsigned char>(c);
        name += plain                ? std::string(1, c)
                : word != BYTES.npos ? WORDS[word]
                                     : std::string{'x', HEX[byte / 16], HEX[byte % 16]};
    }
    return name.empty() ? "empty" : name;
}

// Words such as a command's arguments, each spelled, joined by '_'.
inline std::string case_name(const std::vector<std::string>& words) {
    std::string name;
    for (const std::string& word : words) {
        if (!name.empty()) {
            name += '_';
        }
        name += case_name(word);
    }
    return name.empty() ? "none" : name;
}

// Names a row after FIELD spelled, when one is given; otherwise after its
// `name`, or a parameter without one after `case_name(param)`: above for
// text and words, beside the row's record for others.
template <auto FIELD = nullptr>
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& param_info) const {
        if constexpr (FIELD != nullptr) {
            return case_name(param_info.param.*FIELD);
        } else if constexpr (requires { param_info.param.name; }) {
            return plain_name(param_info.param.name);
        } else {
            return case_name(param_info.param);
        }
    }
};

}  // namespace test_support
