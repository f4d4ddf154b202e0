// The names of parameterised cases, shared by the unit, POSIX and end-to-end
// tests: readable, and the same in every build.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

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

// Any bytes spelled for a name: letters and digits stay, each other byte
// becomes a word ("minus", "cr", "xA0"), words joined by '_'.
inline std::string case_name(std::string_view text) {
    static const std::pair<char, const char*> WORDS[] = {
        {'-', "minus"}, {'+', "plus"},      {'/', "slash"},     {'.', "dot"}, {' ', "blank"},
        {'\t', "tab"},  {'\n', "lf"},       {'\v', "vt"},       {'\f', "ff"}, {'\r', "cr"},
        {'\0', "nul"},  {'\x1a', "ctrl_z"}, {'_', "underscore"}};
    std::string name;
    bool in_word = false;
    for (const char c : text) {
        const bool plain = allowed_in_name(c) && c != '_';
        if (!name.empty() && !(plain && in_word)) {
            name += '_';
        }
        in_word = plain;
        if (plain) {
            name += c;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        const char* word = hex;
        for (const auto& [byte, spelled] : WORDS) {
            word = byte == c ? spelled : word;
        }
        name += word;
    }
    return name.empty() ? "empty" : name;
}

// Words such as a command's arguments, each spelled, joined by '_'.
inline std::string case_name(const std::vector<std::string>& words) {
    std::string name;
    for (const std::string& word : words) {
        name += (name.empty() ? "" : "_") + case_name(word);
    }
    return name.empty() ? "none" : name;
}

// Names a case after its `name` field made plain, or else after
// `case_name(param)`: above for text and words, beside the case's record for
// others.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& param_info) const {
        if constexpr (requires { param_info.param.name; }) {
            return plain_name(param_info.param.name);
        } else {
            return case_name(param_info.param);
        }
    }
};

}  // namespace test_support
