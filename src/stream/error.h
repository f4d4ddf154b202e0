// Error numbers: the classification of every failure of the stream layer.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lintop {

// The stream layer's own error numbers, whatever the C library's <cerrno>
// numbers are on this platform. Each is named after its conventional condition
// without the leading E (ENOENT is NOENT, E2BIG is TWO_BIG), so that the C
// library's macros of those names never reach them and any file may include
// both. Numbers without a name of their own (15, 26, 35, 37) have no entry.
namespace error_numbers {
// clang-format off
constexpr int32_t PERM = 1, NOENT = 2, SRCH = 3, INTR = 4, IO = 5, NXIO = 6, TWO_BIG = 7, NOEXEC = 8, BADF = 9,
                  CHILD = 10, AGAIN = 11, NOMEM = 12, ACCES = 13, FAULT = 14, BUSY = 16, EXIST = 17, XDEV = 18,
                  NODEV = 19, NOTDIR = 20, ISDIR = 21, INVAL = 22, NFILE = 23, MFILE = 24, NOTTY = 25, FBIG = 27,
                  NOSPC = 28, SPIPE = 29, ROFS = 30, MLINK = 31, PIPE = 32, DOM = 33, RANGE = 34, DEADLK = 36,
                  NAMETOOLONG = 38, NOLCK = 39, NOSYS = 40, NOTEMPTY = 41, ILSEQ = 42;
// clang-format on
// The highest valid error number; every number above it, and every negative
// one, reads as "Unknown error".
constexpr int32_t LAST = ILSEQ;
}  // namespace error_numbers

// The last error number, and the platform's own code beside it.
extern int32_t error_number;
extern DWORD system_error_code;

// Keeps `code` in system_error_code and sets error_number to its class.
void map_system_error(DWORD code);

// A refused read or write: ERROR_ACCESS_DENIED means a handle opened the other
// way (BADF, not ACCES); any other code is classified as usual.
void map_transfer_error(DWORD code);

// A failure that does not come from a platform code: system_error_code is 0.
void set_error(int32_t number);

// Whether a refused write's code says that the reader went away (a closed
// pipe): that ends the copy by the reader's choice and loses nothing of ours.
bool reader_went_away(DWORD code);

// The first read or write of the run that lost bytes: the handle number and
// its error number. The exit sequence reports it, so that a cut-short copy
// never ends with a status of success.
struct TransferFailure {
    bool seen;
    int32_t handle;
    int32_t number;
};
extern TransferFailure first_failure;

// Keeps error_number as the run's first failure, on `handle`, unless a
// failure is kept already.
void note_transfer_failure(int32_t handle);

}  // namespace lintop
