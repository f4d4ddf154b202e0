#include <gtest/gtest.h>

#include "case_name.h"
#include "command/command.h"

namespace lintop {
namespace {

struct CountCase {
    const char* text;
    int32_t value;
};

class ParseCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(ParseCount, GivesTheWrappedSignedValue) {
    EXPECT_EQ(parse_count(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseCount,
    ::testing::Values(CountCase{"5", 5}, CountCase{"0", 0}, CountCase{"", 0}, CountCase{"abc", 0},
                      CountCase{"-5", -5},  // "--5" after the option's own '-'
                      CountCase{"+-5", 0},  // only one sign is taken
                      CountCase{"+7", 7}, CountCase{" 7", 7}, CountCase{"\t\n\v\f\r 9", 9}, CountCase{"7x", 7},
                      CountCase{"12 34", 12}, CountCase{"- 7", 0},  // no blank between sign and digits
                      CountCase{"4294967297", 1}, CountCase{"2147483648", INT32_MIN},
                      CountCase{"-2147483648", INT32_MIN},  // negating the smallest value wraps to itself
                      CountCase{"2147483647", INT32_MAX}, CountCase{"4294967295", -1},
                      CountCase{"99999999999999999999", 1661992959},
                      CountCase{"\xA0"
                                "5",
                                0}),  // bytes of 128 and above are no whitespace
    test_support::CaseName<&CountCase::text>());

}  // namespace
}  // namespace lintop
