// Byte helpers for building cases and explaining differences.
#include "bytes.h"

#include <algorithm>
#include <cstdio>

namespace e2e {
namespace {

constexpr size_t CONTEXT = 24;
constexpr size_t SHORTEN_RUN = 8;

std::string show_byte(unsigned char byte) {
    switch (byte) {
        case '\r':
            return "\\r";
        case '\n':
            return "\\n";
        case '\\':
            return "\\\\";
        default:
            break;
    }
    if (byte >= 0x20 && byte < 0x7f) {
        return std::string(1, static_cast<char>(byte));
    }
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02x", byte);
    return text;
}

std::string describe_end(const RunResult& result) {
    if (result.timed_out) {
        return "timed out";
    }
    if (result.signaled) {
        return "killed by signal " + std::to_string(result.signal);
    }
    return "exit status " + std::to_string(result.status);
}

}  // namespace

std::string lines(int first, int last, std::string_view eol) {
    std::string text;
    char line[32];
    for (int i = first; i <= last; ++i) {
        std::snprintf(line, sizeof line, "line %05d", i);
        text += line;
        text += eol;
    }
    return text;
}

std::string repeat(std::string_view text, size_t n) {
    std::string result;
    result.reserve(text.size() * n);
    for (size_t i = 0; i < n; ++i) {
        result += text;
    }
    return result;
}

std::string show_bytes(std::string_view bytes) {
    std::string text;
    size_t i = 0;
    while (i < bytes.size()) {
        size_t run = 1;
        while (i + run < bytes.size() && bytes[i + run] == bytes[i]) {
            ++run;
        }
        std::string one = show_byte(static_cast<unsigned char>(bytes[i]));
        if (run >= SHORTEN_RUN) {
            text += "[" + one + " x" + std::to_string(run) + "]";
        } else {
            text += repeat(one, run);
        }
        i += run;
    }
    return "\"" + text + "\"";
}

::testing::AssertionResult same_bytes(std::string_view actual, std::string_view expected) {
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    size_t at = static_cast<size_t>(
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first - actual.begin());
    size_t from = at > CONTEXT ? at - CONTEXT : 0;
    return ::testing::AssertionFailure() << "got " << actual.size() << " bytes, expected " << expected.size()
                                         << "; first difference at offset " << at << "\n  got      ..."
                                         << show_bytes(actual.substr(from, 2 * CONTEXT)) << "\n  expected ..."
                                         << show_bytes(expected.substr(from, 2 * CONTEXT));
}

::testing::AssertionResult produced(const RunResult& result, std::string_view out, std::string_view err, int status) {
    if (result.timed_out || result.signaled || result.status != status) {
        return ::testing::AssertionFailure()
               << describe_end(result) << ", expected exit status " << status << "; stderr " << show_bytes(result.err);
    }
    if (auto same = same_bytes(result.out, out); !same) {
        return ::testing::AssertionFailure() << "stdout: " << same.message();
    }
    if (auto same = same_bytes(result.err, err); !same) {
        return ::testing::AssertionFailure() << "stderr: " << same.message();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult same_run(const RunResult& actual, const RunResult& reference) {
    if (describe_end(actual) != describe_end(reference)) {
        return ::testing::AssertionFailure()
               << describe_end(actual) << ", the native build: " << describe_end(reference);
    }
    if (auto same = same_bytes(actual.out, reference.out); !same) {
        return ::testing::AssertionFailure() << "stdout against the native build: " << same.message();
    }
    if (auto same = same_bytes(actual.err, reference.err); !same) {
        return ::testing::AssertionFailure() << "stderr against the native build: " << same.message();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace e2e
