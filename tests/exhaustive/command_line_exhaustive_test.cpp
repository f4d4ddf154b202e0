// Every short command line over the characters that the splitting rules tell
// apart (an ordinary character, blank, tab, quote and backslash): the split
// against the model of the rules, and the arguments through quoting and
// splitting again.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "argv_model.h"
#include "exhaustive.h"
#include "sim/sim.h"
#include "startup/command_line.h"

namespace lintop {
namespace {

// The bound comes from the build (tests/CMakeLists.txt).
constexpr size_t MAX_LENGTH = EXHAUSTIVE_LINE_LENGTH;
constexpr std::string_view ALPHABET = "a \t\"\\";

// The arguments as the block holds them: each one and its terminating zero;
// "(no memory)" when the split failed.
std::string split_block(const std::string& line) {
    sim::reset();
    char** argv = nullptr;
    const int argc = split_command_line(line.c_str(), &argv);
    if (argc < 1) {
        return "(no memory)";
    }
    std::string block;
    for (int i = 0; i < argc; ++i) {
        block += argv[i];
        block += '\0';
    }
    return argv[argc] == nullptr ? block : "(no null after the last argument)";
}

std::string joined(const std::vector<std::string>& args) {
    std::string block;
    for (const std::string& arg : args) {
        block += arg;
        block += '\0';
    }
    return block;
}

TEST(CommandLineExhaustive, EveryShortLineAsTheSplittingRulesSay) {
    int64_t cases = 0;
    for (std::string line; line.size() <= MAX_LENGTH; test_support::next_input(line, ALPHABET)) {
        ++cases;
        const std::vector<std::string> args = test_support::model_split(line);
        std::string difference = test_support::first_difference(joined(args), split_block(line));
        if (difference.empty()) {
            const std::string requoted = test_support::quoted_line(args);
            difference = test_support::first_difference(joined(args), split_block(requoted));
            if (!difference.empty()) {
                difference = "quoted again as " + test_support::hex(requoted) + ": " + difference;
            }
        }
        if (!difference.empty()) {
            sim::reset();
            FAIL() << "smallest failing line: " << test_support::hex(line)
                   << "; arguments, each ended by 00: " << difference;
        }
    }
    sim::reset();
    RecordProperty("cases", std::to_string(cases));
    std::printf("exhaustive: command line: %lld cases, every line of 0 to %zu characters\n",
                static_cast<long long>(cases), MAX_LENGTH);
}

}  // namespace
}  // namespace lintop
