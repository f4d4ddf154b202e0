// The simulated platform: the seam's Win32 calls over in-memory disk files,
// consoles and pipes, with a log of every call and a plan of faults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

enum class Call : uint8_t {
    CreateFileA,
    ReadFile,
    WriteFile,
    SetFilePointer,
    GetFileType,
    GetStdHandle,
    GetStartupInfoA,
    CloseHandle,
    HeapAlloc,
    ExitProcess,
};

const char* call_name(Call call);

// One platform call as the stream layer made it.
struct CallRecord {
    Call call;
    HANDLE handle;        // the handle called on; CreateFileA: the handle returned
    int64_t requested;    // bytes asked to read, write or allocate; SetFilePointer: the
                          // 64-bit distance (low part and high part, or the sign-extended low
                          // part when no high part was passed); GetStdHandle: the DWORD asked for
    int64_t transferred;  // bytes read or written
    int64_t result;       // the return value: BOOL, DWORD, file type, new position (64-bit)
    DWORD error;          // what GetLastError gives after the call; 0 for a success
    bool high_part;       // SetFilePointer: a high part was passed
    std::string text;     // CreateFileA: the name; WriteFile: the bytes taken; ReadFile: bytes given
    DWORD access, share, disposition, flags;  // CreateFileA arguments
    bool inherit;                             // CreateFileA: the security attributes ask for an inheritable handle
    bool has_template;                        // CreateFileA: a template handle was passed
};

// A fault: the nth call of a kind (1-based, counted since reset) fails with
// `code`, once or from then on; or, with `take` >= 0, a ReadFile/WriteFile
// succeeds but transfers only `take` bytes. A failing HeapAlloc returns null.
struct Fault {
    Call call;
    int nth;
    DWORD code = 0;
    bool from_then_on = false;
    int64_t take = -1;
};

// Forgets every object, the log, the plan, the standard handles, the
// start-up block and every block that HeapAlloc handed out.
void reset();

// Disk files: the bytes are `data` placed at `start`; the bytes before `start`
// read as zeros (a sparse file), and the position starts at `start`.
HANDLE make_disk(const std::string& data = "", uint64_t start = 0);
// A console: each ReadFile takes from the next scripted line (at most the
// count asked); when the lines are used up a read gives 0 bytes.
HANDLE make_console(const std::vector<std::string>& lines = {});
// A character device that refuses every write with `code`.
HANDLE make_refusing_device(DWORD code);
// A pipe: reads give `data`, then fail with ERROR_BROKEN_PIPE when
// `writer_closed` (otherwise give 0 bytes). Writes are collected, or fail with
// ERROR_NO_DATA when `reader_closed`.
HANDLE make_pipe(const std::string& data = "", bool writer_closed = true, bool reader_closed = false);
// A handle of a kind the platform cannot tell: GetFileType gives FILE_TYPE_UNKNOWN.
HANDLE make_unknown();

// CreateFileA on `name` opens a fresh handle on the object of `h` (a disk
// object gets its own position, starting at 0).
void name_file(const std::string& name, HANDLE h);
// CreateFileA on `name` fails with `code`.
void refuse_name(const std::string& name, DWORD code);
// Any other name fails with ERROR_FILE_NOT_FOUND.

// GetStdHandle: INVALID_HANDLE_VALUE until set.
void set_std_handle(DWORD which, HANDLE h);
// GetStartupInfoA: cbReserved2 and lpReserved2 over a copy of `block`
// (an empty block gives 0 and null).
void set_reserved_block(const std::vector<uint8_t>& block);

void plan(const Fault& fault);

// Whether a fault is the other end of a pipe going away: the reader of a
// write, or the writer of a read (ERROR_BROKEN_PIPE, the end of the data).
// The copy loses nothing of its own by it.
bool other_end_gone(const Fault& fault);

// Everything written to the object of `h`, and a disk object's whole contents.
std::string written(HANDLE h);
std::string contents(HANDLE h);
uint64_t position(HANDLE h);

const std::vector<CallRecord>& log();
std::vector<CallRecord> calls(Call call);
// The sizes of the WriteFile calls, in order, optionally on one handle only.
std::vector<int64_t> write_sizes(HANDLE h = nullptr);
// The number of calls logged so far.
size_t log_size();

}  // namespace sim
