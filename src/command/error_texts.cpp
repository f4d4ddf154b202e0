#include "command/command.h"

#include <iterator>

#include "stream/error.h"

namespace lintop {

namespace {

constexpr char UNKNOWN_ERROR[] = "Unknown error";

// Indexed by error number; the last entry stands for every number outside.
constexpr const char* ERROR_TEXTS[] = {
    "No error",
    "Operation not permitted",
    "No such file or directory",
    "No such process",
    "Interrupted function call",
    "Input/output error",
    "No such device or address",
    "Arg list too long",
    "Exec format error",
    "Bad file descriptor",
    "No child processes",
    "Resource temporarily unavailable",
    "Not enough space",
    "Permission denied",
    "Bad address",
    UNKNOWN_ERROR,
    "Resource device",
    "File exists",
    "Improper link",
    "No such device",
    "Not a directory",
    "Is a directory",
    "Invalid argument",
    "Too many open files in system",
    "Too many open files",
    "Inappropriate I/O control operation",
    UNKNOWN_ERROR,
    "File too large",
    "No space left on device",
    "Invalid seek",
    "Read-only file system",
    "Too many links",
    "Broken pipe",
    "Domain error",
    "Result too large",
    UNKNOWN_ERROR,
    "Resource deadlock avoided",
    UNKNOWN_ERROR,
    "Filename too long",
    "No locks available",
    "Function not implemented",
    "Directory not empty",
    "Illegal byte sequence",
    UNKNOWN_ERROR,
};

constexpr int32_t OUTSIDE_ENTRY = error_numbers::LAST + 1;
static_assert(std::size(ERROR_TEXTS) == OUTSIDE_ENTRY + 1, "a text for each valid number and one for the rest");

}  // namespace

const char* error_text(int32_t number) {
    if (number < 0 || number >= OUTSIDE_ENTRY) {
        return ERROR_TEXTS[OUTSIDE_ENTRY];
    }
    return ERROR_TEXTS[number];
}

}  // namespace lintop
