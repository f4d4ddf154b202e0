// The name of a parameterised case, shared by the unit, POSIX and end-to-end
// tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace test_support {

// Names a case after its `name` field. GoogleTest takes only ASCII letters,
// digits and '_' in a name, so every other byte becomes '_'.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& param_info) const {
        std::string name(param_info.param.name);
        for (char& c : name) {
            const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
            if (!allowed) {
                c = '_';
            }
        }
        return name;
    }
};

}  // namespace test_support
