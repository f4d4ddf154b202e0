// The command-line splitter on any text: a well-formed vector in its one
// block, never more characters than the line holds, the arguments that the
// model of the splitting rules gives, and arguments that survive quoting and
// splitting again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "argv_model.h"
#include "sim/sim.h"
#include "startup/command_line.h"

namespace {

void check(bool good) {
    if (!good) {
        __builtin_trap();
    }
}

// The arguments of `line`, checked to lie within the block that HeapAlloc gave.
std::vector<std::string> split(const std::string& line) {
    sim::reset();
    char** argv = nullptr;
    const int argc = lintop::split_command_line(line.c_str(), &argv);
    check(argc >= 1 && argv != nullptr && argv[argc] == nullptr);
    const std::vector<sim::CallRecord> allocations = sim::calls(sim::Call::HeapAlloc);
    check(allocations.size() == 1);
    const char* text = reinterpret_cast<const char*>(argv + argc + 1);
    const char* end = reinterpret_cast<const char*>(argv) + allocations[0].requested;
    std::vector<std::string> args;
    size_t characters = 0;
    for (int i = 0; i < argc; ++i) {
        check(argv[i] >= text && argv[i] < end && std::memchr(argv[i], '\0', static_cast<size_t>(end - argv[i])));
        args.emplace_back(argv[i]);
        characters += args.back().size();
    }
    check(characters <= line.size());
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string line = text.substr(0, text.find('\0'));
    const std::vector<std::string> args = split(line);
    check(args == test_support::model_split(line));
    check(split(test_support::quoted_line(args)) == args);
    sim::reset();
    return 0;
}
