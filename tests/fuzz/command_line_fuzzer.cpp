// The command-line splitter on any text: a well-formed vector in its one
// block, never more characters than the line holds, and arguments that
// survive quoting and splitting again.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

// The program name in quotes, unless it holds a quote (then it was unquoted
// and has no blank); every other argument in quotes, with a backslash before
// each quote and each backslash run doubled where a quote follows it.
std::string quoted(const std::vector<std::string>& args) {
    const std::string& name = args[0];
    std::string line = name.find('"') != std::string::npos ? name : '"' + name + '"';
    for (size_t i = 1; i < args.size(); ++i) {
        line += " \"";
        size_t run = 0;
        for (char c : args[i]) {
            if (c == '"') {
                line.append(run + 1, '\\');
            }
            run = c == '\\' ? run + 1 : 0;
            line += c;
        }
        line.append(run, '\\');
        line += '"';
    }
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string line = text.substr(0, text.find('\0'));
    const std::vector<std::string> args = split(line);
    check(split(quoted(args)) == args);
    sim::reset();
    return 0;
}
