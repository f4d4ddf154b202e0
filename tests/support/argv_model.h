// The Windows rules for splitting a command line into argv, and the quoting
// that builds a line back from arguments: the reference of the command-line
// fuzzer and of the exhaustive splitter check.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

inline bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The program name is a path: quoted, it runs to the next quote; unquoted, to
// the first blank. A backslash in it is a separator, never an escape. Returns
// where the rest of the line begins.
inline size_t model_program_name(std::string_view line, std::string& name) {
    if (!line.empty() && line[0] == '"') {
        const size_t close = line.find('"', 1);
        name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
        return close == std::string_view::npos ? line.size() : close + 1;
    }
    size_t end = 0;
    while (end < line.size() && !is_blank(line[end])) {
        ++end;
    }
    name = line.substr(0, end);
    return end;
}

// One argument from `at`, in the words of the platform's documentation:
// - blanks end it, except within a quoted string;
// - backslashes are literal unless a quote follows them; then each pair of
//   them gives one backslash, and the quote is a string delimiter after an
//   even number, a literal quote after an odd one;
// - within a quoted string, a pair of quotes is a single escaped quote;
// - any other quote opens or closes a quoted string;
// - a line that ends before the closing quote ends the argument there.
// Returns where it ends.
inline size_t model_argument(std::string_view line, size_t at, std::string& arg) {
    bool quoted = false;
    while (at < line.size() && (quoted || !is_blank(line[at]))) {
        size_t run = 0;
        while (at + run < line.size() && line[at + run] == '\\') {
            ++run;
        }
        const bool before_quote = at + run < line.size() && line[at + run] == '"';
        if (!before_quote) {
            arg.append(run, '\\');
            at += run;
            if (run == 0) {
                arg += line[at++];
            }
            continue;
        }
        arg.append(run / 2, '\\');
        at += run;
        const bool pair = quoted && at + 1 < line.size() && line[at + 1] == '"';
        if (run % 2 == 1) {
            arg += '"';
            ++at;
        } else if (pair) {
            arg += '"';
            at += 2;
        } else {
            quoted = !quoted;
            ++at;
        }
    }
    return at;
}

inline std::vector<std::string> model_split(std::string_view line) {
    std::vector<std::string> args(1);
    size_t at = model_program_name(line, args[0]);
    for (;;) {
        while (at < line.size() && is_blank(line[at])) {
            ++at;
        }
        if (at == line.size()) {
            return args;
        }
        args.emplace_back();
        at = model_argument(line, at, args.back());
    }
}

// The program name in quotes, unless it holds a quote (then it was unquoted
// and has no blank); every other argument in quotes, with a backslash before
// each quote and each backslash run doubled where a quote follows it.
inline std::string quoted_line(const std::vector<std::string>& args) {
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

}  // namespace test_support
