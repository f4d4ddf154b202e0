#include "startup/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "case_name.h"
#include "platform/platform.h"
#include "sim/sim.h"

namespace lintop {
namespace {

struct SplitCase : test_support::NamedCase {
    const char* line;
    std::vector<std::string> args;
};

const SplitCase SPLIT_CASES[] = {
    {"plain words", "lintop -3 notes.txt", {"lintop", "-3", "notes.txt"}},
    {"tabs and runs of blanks separate", "lintop\t-3 \t  a", {"lintop", "-3", "a"}},
    {"trailing blanks add nothing", "lintop a \t ", {"lintop", "a"}},
    {"empty line still has a program name", "", {""}},
    {"only blanks", "  \t ", {""}},
    {"leading blank gives an empty program name", " a b", {"", "a", "b"}},
    {"quoted program name keeps its blanks",
     "\"C:\\Program Files\\lintop.exe\" /5 f",
     {"C:\\Program Files\\lintop.exe", "/5", "f"}},
    {"program name takes backslashes as they are", "C:\\dir\\\\lintop.exe a", {"C:\\dir\\\\lintop.exe", "a"}},
    {"quoted program name ends at the first quote", "\"C:\\dir\\\\\" a", {"C:\\dir\\\\", "a"}},
    {"text after the program name's closing quote", "\"lin\"top a", {"lin", "top", "a"}},
    {"unterminated quoted program name", "\"C:\\a b", {"C:\\a b"}},
    {"quote inside an unquoted program name", "lin\"top a", {"lin\"top", "a"}},
    {"quotes group blanks", "p \"a b\" c", {"p", "a b", "c"}},
    {"quotes group within a word", "p a\"b c\"d", {"p", "ab cd"}},
    {"empty quotes give an empty argument", "p \"\" x", {"p", "", "x"}},
    {"two quotes inside quotes are one quote", "p \"a\"\"b c\"", {"p", "a\"b c"}},
    {"three quotes are one quote, unclosed", "p \"\"\"", {"p", "\""}},
    {"a pair in quotes, then blanks and backslashes", "p \"\"\"\\ a\\\\", {"p", "\"\\ a\\\\"}},
    {"a pair in quotes before three backslashes", "p \"ab\tabb\"\"\\\\\\b\"", {"p", "ab\tabb\"\\\\\\b"}},
    {"a pair of quotes after two backslashes", "p \"a\\\\\"\"b\"", {"p", "a\\\"b"}},
    {"unterminated quote runs to the end", "p \"a b\t c", {"p", "a b\t c"}},
    {"tab inside quotes", "p \"x\ty\"", {"p", "x\ty"}},
    {"backslashes without a quote are literal", "p a\\\\b c\\", {"p", "a\\\\b", "c\\"}},
    {"one backslash escapes a quote", "p a\\\"b", {"p", "a\"b"}},
    {"escaped quote does not group", "p \\\"a b", {"p", "\"a", "b"}},
    {"two backslashes and a grouping quote", "p \\\\\"a b\"", {"p", "\\a b"}},
    {"three backslashes and a literal quote", "p a\\\\\\\"b", {"p", "a\\\"b"}},
    {"four backslashes and a grouping quote", "p a\\\\\\\\\"b c\"", {"p", "a\\\\b c"}},
    {"closing quote after two backslashes", "p \"a\\\\\" b", {"p", "a\\", "b"}},
    {"escaped quote inside quotes", "p \"a\\\"b\" c", {"p", "a\"b", "c"}},
    // The platform documentation's own examples.
    {"documented: quoted words", "p \"a b c\" d e", {"p", "a b c", "d", "e"}},
    {"documented: escapes in quotes", "p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},
    {"documented: backslashes before no quote", "p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
    {"documented: odd backslashes and a quote", "p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
    {"documented: even backslashes and a quote", "p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
    {"documented: a pair of quotes in quotes", "p a\"b\"\" c d", {"p", "ab\" c d"}},
    {"bytes above 0x7f pass through", "p \xe9t\xe9", {"p", "\xe9t\xe9"}},
};

// The simulated heap hands out blocks that only a reset gives back.
class SimHeapTest : public testing::Test {
protected:
    void SetUp() override { sim::reset(); }
    void TearDown() override { sim::reset(); }
};

class SplitCommandLine : public SimHeapTest, public testing::WithParamInterface<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheArguments) {
    const SplitCase& c = GetParam();
    char** argv = nullptr;
    const int argc = split_command_line(c.line, &argv);

    ASSERT_EQ(argc, static_cast<int>(c.args.size()));
    std::vector<std::string> got(argv, argv + argc);
    EXPECT_EQ(got, c.args);
    EXPECT_EQ(argv[argc], nullptr);
}

// Every pointer and every string lies in the one block that the heap gave.
TEST_P(SplitCommandLine, UsesOneHeapBlock) {
    const SplitCase& c = GetParam();
    char** argv = nullptr;
    const int argc = split_command_line(c.line, &argv);

    const std::vector<sim::CallRecord> allocs = sim::calls(sim::Call::HeapAlloc);
    ASSERT_EQ(allocs.size(), 1u);
    const auto begin = reinterpret_cast<uintptr_t>(argv);
    const auto end = begin + static_cast<uintptr_t>(allocs[0].requested);
    EXPECT_LE(begin + (static_cast<uintptr_t>(argc) + 1) * sizeof(char*), end);
    for (int i = 0; i < argc; ++i) {
        const auto text = reinterpret_cast<uintptr_t>(argv[i]);
        EXPECT_GE(text, begin) << "argument " << i;
        EXPECT_LE(text + std::strlen(argv[i]) + 1, end) << "argument " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SplitCommandLine, testing::ValuesIn(SPLIT_CASES), test_support::CaseName());

using SplitCommandLineEdge = SimHeapTest;

TEST_F(SplitCommandLineEdge, NoMemoryGivesMinusOneAndLeavesTheVector) {
    sim::plan({sim::Call::HeapAlloc, 1});
    char* untouched[] = {nullptr};
    char** argv = untouched;

    EXPECT_EQ(split_command_line("lintop -3 a.txt", &argv), -1);
    EXPECT_EQ(argv, untouched);
}

TEST_F(SplitCommandLineEdge, NullLineIsAnEmptyLine) {
    char** argv = nullptr;
    ASSERT_EQ(split_command_line(nullptr, &argv), 1);
    EXPECT_STREQ(argv[0], "");
    EXPECT_EQ(argv[1], nullptr);
}

}  // namespace
}  // namespace lintop
