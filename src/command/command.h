// The command driver: arguments, count, copy loop, usage and failure report.
#pragma once

#include <cstdint>

namespace lintop {

constexpr int32_t DEFAULT_LINE_COUNT = 20;
constexpr int32_t LINE_BUFFER_SIZE = 4096;

// The exit statuses: every selected byte reached standard output (or its
// reader went away), a usage error, the file cannot be opened, the copy was
// cut short by a failed read or a refused write.
enum ExitStatus : int { STATUS_COPIED = 0, STATUS_USAGE = 1, STATUS_OPEN_FAILED = 2, STATUS_COPY_FAILED = 3 };

// Runs the command on its arguments; the exit status.
int command_main(int argc, char** argv);

// The file being copied, for the report of a failed read: the file argument
// and its handle number (-1 before the open).
struct CopySource {
    const char* name;
    int32_t handle;
};
extern CopySource copy_source;

// Runs after the exit-time flush, so that a refused write-out of standard
// output is known: when a read or write of the copy lost bytes, reports the
// first such failure and gives STATUS_COPY_FAILED; otherwise `status`.
int report_copy_failure(int status);

// The count written after the option's '-' or '/'.
int32_t parse_count(const char* text);

// Writes "name: text" and a line end straight to handle number 2; each
// control byte of the name is written as '?'.
void report_error(const char* name);

// The text of an error number; any number outside 0 to 42 gets "Unknown error".
const char* error_text(int32_t number);

}  // namespace lintop
