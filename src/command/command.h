// The command driver: arguments, count, copy loop, usage and failure report.
#pragma once

#include <cstdint>

namespace lintop {

constexpr int32_t DEFAULT_LINE_COUNT = 20;
constexpr int32_t LINE_BUFFER_SIZE = 4096;

// The exit statuses: the file was opened, a usage error, the file cannot be opened.
enum ExitStatus : int { STATUS_COPIED = 0, STATUS_USAGE = 1, STATUS_OPEN_FAILED = 2 };

// Runs the command on its arguments; the exit status.
int command_main(int argc, char** argv);

// The count written after the option's '-' or '/'.
int32_t parse_count(const char* text);

// Writes "name: text" and a line end straight to handle number 2.
void report_error(const char* name);

// The text of an error number; any number outside 0 to 42 gets "Unknown error".
const char* error_text(int32_t number);

}  // namespace lintop
