// Building input and expected bytes, and comparing what a run produced.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "harness.h"
#include "pattern.h"

namespace e2e {

constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char CTRL_Z = '\x1a';

// Lines "line 00001" to "line <last>", each followed by eol. Every line has
// the same length, so the copies of two builds can differ only in content.
std::string lines(int first, int last, std::string_view eol);

using test_support::pattern;

// Repeats text n times.
std::string repeat(std::string_view text, size_t n);

// A readable rendering of bytes for failure messages: printable ASCII as is,
// other bytes as escapes, long runs of one byte shortened.
std::string show_bytes(std::string_view bytes);

// Equal bytes; otherwise names the first differing offset with context.
::testing::AssertionResult same_bytes(std::string_view actual, std::string_view expected);

// The run exited (no signal, no timeout) with this stdout, stderr and status.
::testing::AssertionResult produced(const RunResult& result, std::string_view out, std::string_view err, int status);

// Two runs that agree on stdout, stderr, status and how they ended.
::testing::AssertionResult same_run(const RunResult& actual, const RunResult& reference);

}  // namespace e2e
