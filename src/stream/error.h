// Error numbers: the classification of every failure of the stream layer.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The stream layer's error numbers are its own, whatever the C library's
// <errno.h> numbers are on this platform. Its macros are included first and
// removed, so that the names below mean the stream layer's numbers wherever
// this header is seen.
#include <cerrno>
#undef EPERM
#undef ENOENT
#undef ESRCH
#undef EINTR
#undef EIO
#undef ENXIO
#undef E2BIG
#undef ENOEXEC
#undef EBADF
#undef ECHILD
#undef EAGAIN
#undef ENOMEM
#undef EACCES
#undef EFAULT
#undef EBUSY
#undef EEXIST
#undef EXDEV
#undef ENODEV
#undef ENOTDIR
#undef EISDIR
#undef EINVAL
#undef ENFILE
#undef EMFILE
#undef ENOTTY
#undef EFBIG
#undef ENOSPC
#undef ESPIPE
#undef EROFS
#undef EMLINK
#undef EPIPE
#undef EDOM
#undef ERANGE
#undef EDEADLK
#undef ENAMETOOLONG
#undef ENOLCK
#undef ENOSYS
#undef ENOTEMPTY
#undef EILSEQ

constexpr int32_t EPERM = 1;
constexpr int32_t ENOENT = 2;
constexpr int32_t ESRCH = 3;
constexpr int32_t EINTR = 4;
constexpr int32_t EIO = 5;
constexpr int32_t ENXIO = 6;
constexpr int32_t E2BIG = 7;
constexpr int32_t ENOEXEC = 8;
constexpr int32_t EBADF = 9;
constexpr int32_t ECHILD = 10;
constexpr int32_t EAGAIN = 11;
constexpr int32_t ENOMEM = 12;
constexpr int32_t EACCES = 13;
constexpr int32_t EFAULT = 14;
constexpr int32_t EBUSY = 16;
constexpr int32_t EEXIST = 17;
constexpr int32_t EXDEV = 18;
constexpr int32_t ENODEV = 19;
constexpr int32_t ENOTDIR = 20;
constexpr int32_t EISDIR = 21;
constexpr int32_t EINVAL = 22;
constexpr int32_t ENFILE = 23;
constexpr int32_t EMFILE = 24;
constexpr int32_t ENOTTY = 25;
constexpr int32_t EFBIG = 27;
constexpr int32_t ENOSPC = 28;
constexpr int32_t ESPIPE = 29;
constexpr int32_t EROFS = 30;
constexpr int32_t EMLINK = 31;
constexpr int32_t EPIPE = 32;
constexpr int32_t EDOM = 33;
constexpr int32_t ERANGE = 34;
constexpr int32_t EDEADLK = 36;
constexpr int32_t ENAMETOOLONG = 38;
constexpr int32_t ENOLCK = 39;
constexpr int32_t ENOSYS = 40;
constexpr int32_t ENOTEMPTY = 41;
constexpr int32_t EILSEQ = 42;

// The last error number, and the platform's own code beside it.
extern int32_t error_number;
extern DWORD system_error_code;

// Keeps `code` in system_error_code and sets error_number to its class.
void map_system_error(DWORD code);

// A failure that does not come from a platform code.
void set_error(int32_t number);
