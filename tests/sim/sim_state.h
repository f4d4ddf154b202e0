// The simulation's private records, shared by its three files; tests include sim.h only.
// sim.cpp: the state, the handle table and the test-facing functions;
// sim_objects.cpp: what a read, write or seek does to an object;
// sim_platform.cpp: the platform calls, with the fault plan and the log.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "sim/sim.h"

namespace sim::internal {

enum class Kind : uint8_t { Disk, Console, Refusing, Pipe, Unknown };

// One simulated file, device or pipe; the fields in use depend on the kind.
struct Object {
    Kind kind = Kind::Unknown;
    std::string data;               // disk: the bytes from `start` on; pipe: the bytes still to read
    uint64_t start = 0;             // disk: the bytes before it read as zeros
    std::deque<std::string> lines;  // console: the scripted input still to read
    std::string written;            // every byte a WriteFile put into the object
    DWORD refusal = 0;              // refusing device: the code of every write
    bool writer_closed = false;     // pipe
    bool reader_closed = false;     // pipe
};

// A handle stays in the table after CloseHandle, so that tests can still ask
// what was written through it; only the platform calls treat it as invalid.
struct HandleEntry {
    size_t object;
    uint64_t position;  // disk only: each handle has its own
    bool open;
};

struct NameEntry {
    size_t object;
    bool refused;
    DWORD code;
};

struct State {
    std::vector<Object> objects;
    std::vector<HandleEntry> handles;  // see new_handle for the handle values
    std::map<std::string, NameEntry> names;
    std::map<DWORD, HANDLE> std_handles;
    // The last block is the current one; earlier ones stay alive for the
    // pointers that GetStartupInfoA handed out.
    std::vector<std::vector<uint8_t>> reserved_blocks;
    std::vector<Fault> faults;
    std::map<Call, int> counts;
    std::vector<CallRecord> log;
    std::vector<void*> heap_blocks;
    DWORD last_error = NO_ERROR;
};

extern State state;

HANDLE new_handle(size_t object, uint64_t position);
// The entry of `h`, open or closed; null for a value the sim never handed out.
HandleEntry* entry_of(HANDLE h);
// The entry of `h` while it is open; null otherwise.
HandleEntry* open_entry(HANDLE h);
uint64_t disk_size(const Object& disk);

// Each gives true, or false with `code` set to the Win32 code of the failure.
bool read_object(HANDLE h, DWORD count, std::string& bytes, DWORD& code);
bool write_object(HANDLE h, const std::string& bytes, DWORD& code);
bool seek(HANDLE h, int64_t distance, DWORD method, bool high_part, DWORD& code);

}  // namespace sim::internal
