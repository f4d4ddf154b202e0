// The platform calls of the seam (platform.h, non-Windows branch) over the
// simulated objects: each one counts itself against the fault plan and ends
// with its entry in the log.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "sim/sim_state.h"

using sim::Call;
using namespace sim::internal;

namespace {

constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008u;

// Counts the call (1-based since reset) and gives the first planned fault that matches it.
const sim::Fault* planned_fault(sim::Call call) {
    const int n = ++state.counts[call];
    for (const sim::Fault& fault : state.faults) {
        if (fault.call == call && (fault.nth == n || (fault.from_then_on && n >= fault.nth))) {
            return &fault;
        }
    }
    return nullptr;
}

bool fails(const sim::Fault* fault) {
    return fault != nullptr && fault->take < 0;
}

// A partial-transfer fault caps the count; the call then proceeds as usual.
DWORD capped(DWORD count, const sim::Fault* fault) {
    if (fault == nullptr || fault->take < 0) {
        return count;
    }
    return static_cast<DWORD>(std::min<int64_t>(fault->take, count));
}

sim::CallRecord record(sim::Call call, HANDLE h) {
    sim::CallRecord r{};
    r.call = call;
    r.handle = h;
    return r;
}

void fail(sim::CallRecord& r, DWORD code) {
    state.last_error = code;
    r.error = code;
}

int64_t handle_number(HANDLE h) {
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(h));
}

// SetFilePointer's distance: the 64-bit value of both parts, or the sign-extended low part.
int64_t seek_distance(LONG low, const LONG* high) {
    if (high == nullptr) {
        return low;
    }
    const uint64_t bits = (uint64_t{static_cast<uint32_t>(*high)} << 32) | static_cast<uint32_t>(low);
    return static_cast<int64_t>(bits);
}

// ReadFile and WriteFile alike: the fault plan and the refusal of a missing
// buffer, then `move_bytes(count, text, code)`; at the end the count given
// back, the last error and the log entry.
template <typename MoveBytes>
BOOL transfer(Call call, HANDLE h, const void* buffer, DWORD count, LPDWORD transferred, MoveBytes move_bytes) {
    sim::CallRecord r = record(call, h);
    r.requested = count;
    const sim::Fault* fault = planned_fault(call);
    DWORD code = NO_ERROR;
    bool ok = false;
    if (fails(fault)) {
        code = fault->code;
    } else if (buffer == nullptr && count != 0) {
        code = ERROR_INVALID_PARAMETER;
    } else {
        ok = move_bytes(capped(count, fault), r.text, code);
    }
    if (!ok) {
        fail(r, code);
        r.text.clear();
    }
    r.transferred = static_cast<int64_t>(r.text.size());
    r.result = ok ? TRUE : FALSE;
    if (transferred != nullptr) {
        *transferred = static_cast<DWORD>(r.text.size());
    }
    state.log.push_back(r);
    return ok ? TRUE : FALSE;
}

// A HeapAlloc block, kept for reset() to free; HeapAlloc gives a block even for 0 bytes.
void* allocate(SIZE_T bytes, DWORD flags) {
    void* block = std::malloc(std::max<SIZE_T>(bytes, 1));
    if (block == nullptr) {
        return nullptr;
    }
    if ((flags & HEAP_ZERO_MEMORY) != 0) {
        std::memset(block, 0, bytes);
    }
    state.heap_blocks.push_back(block);
    return block;
}

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                   HANDLE hTemplateFile) {
    sim::CallRecord r = record(Call::CreateFileA, INVALID_HANDLE_VALUE);
    r.text = lpFileName != nullptr ? lpFileName : "";
    r.access = dwDesiredAccess;
    r.share = dwShareMode;
    r.disposition = dwCreationDisposition;
    r.flags = dwFlagsAndAttributes;
    r.inherit = lpSecurityAttributes != nullptr && lpSecurityAttributes->bInheritHandle != FALSE;
    r.has_template = hTemplateFile != nullptr;
    const sim::Fault* fault = planned_fault(Call::CreateFileA);
    const auto name = state.names.find(r.text);
    if (fails(fault)) {
        fail(r, fault->code);
    } else if (name == state.names.end()) {
        fail(r, ERROR_FILE_NOT_FOUND);
    } else if (name->second.refused) {
        fail(r, name->second.code);
    } else {
        r.handle = new_handle(name->second.object, 0);
    }
    r.result = handle_number(r.handle);
    state.log.push_back(r);
    return r.handle;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
    return transfer(Call::ReadFile, hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead,
                    [&](DWORD count, std::string& text, DWORD& code) {
                        const bool ok = read_object(hFile, count, text, code);
                        if (ok && !text.empty()) {
                            std::memcpy(lpBuffer, text.data(), text.size());
                        }
                        return ok;
                    });
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED) {
    return transfer(Call::WriteFile, hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                    [&](DWORD count, std::string& text, DWORD& code) {
                        if (lpBuffer != nullptr) {
                            text.assign(static_cast<const char*>(lpBuffer), count);
                        }
                        return write_object(hFile, text, code);
                    });
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    sim::CallRecord r = record(Call::SetFilePointer, hFile);
    r.high_part = lpDistanceToMoveHigh != nullptr;
    r.requested = seek_distance(lDistanceToMove, lpDistanceToMoveHigh);
    const sim::Fault* fault = planned_fault(Call::SetFilePointer);
    DWORD code = NO_ERROR;
    bool ok = false;
    if (fails(fault)) {
        code = fault->code;
    } else {
        ok = seek(hFile, r.requested, dwMoveMethod, r.high_part, code);
    }
    DWORD low = INVALID_SET_FILE_POINTER;
    if (!ok) {
        fail(r, code);
        r.result = INVALID_SET_FILE_POINTER;
    } else {
        const uint64_t target = entry_of(hFile)->position;
        r.result = static_cast<int64_t>(target);
        low = static_cast<DWORD>(target);
        if (r.high_part) {
            *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint32_t>(target >> 32));
        }
        // As on Windows: a success whose low part equals the failure value
        // clears the last error, so that the caller can tell the two apart.
        if (low == INVALID_SET_FILE_POINTER) {
            state.last_error = NO_ERROR;
        }
    }
    state.log.push_back(r);
    return low;
}

DWORD GetFileType(HANDLE hFile) {
    sim::CallRecord r = record(Call::GetFileType, hFile);
    const sim::Fault* fault = planned_fault(Call::GetFileType);
    const HandleEntry* entry = open_entry(hFile);
    DWORD type = FILE_TYPE_UNKNOWN;
    if (fails(fault)) {
        fail(r, fault->code);
    } else if (entry == nullptr) {
        fail(r, ERROR_INVALID_HANDLE);
    } else {
        switch (state.objects[entry->object].kind) {
            case Kind::Disk:
                type = FILE_TYPE_DISK;
                break;
            case Kind::Console:
            case Kind::Refusing:
                type = FILE_TYPE_CHAR;
                break;
            case Kind::Pipe:
                type = FILE_TYPE_PIPE;
                break;
            case Kind::Unknown:
                state.last_error = NO_ERROR;
                break;  // as Windows reports it
        }
    }
    r.result = type;
    state.log.push_back(r);
    return type;
}

HANDLE GetStdHandle(DWORD nStdHandle) {
    sim::CallRecord r = record(Call::GetStdHandle, INVALID_HANDLE_VALUE);
    r.requested = nStdHandle;
    const sim::Fault* fault = planned_fault(Call::GetStdHandle);
    const bool known =
        nStdHandle == STD_INPUT_HANDLE || nStdHandle == STD_OUTPUT_HANDLE || nStdHandle == STD_ERROR_HANDLE;
    const auto set = state.std_handles.find(nStdHandle);
    if (fails(fault)) {
        fail(r, fault->code);
    } else if (!known) {
        fail(r, ERROR_INVALID_HANDLE);
    } else if (set != state.std_handles.end()) {
        r.handle = set->second;
    }
    r.result = handle_number(r.handle);
    state.log.push_back(r);
    return r.handle;
}

void GetStartupInfoA(LPSTARTUPINFOA lpStartupInfo) {
    sim::CallRecord r = record(Call::GetStartupInfoA, nullptr);
    planned_fault(Call::GetStartupInfoA);  // counted only: the call cannot fail
    *lpStartupInfo = STARTUPINFOA{};
    lpStartupInfo->cb = static_cast<DWORD>(sizeof(STARTUPINFOA));
    if (!state.reserved_blocks.empty() && !state.reserved_blocks.back().empty()) {
        std::vector<uint8_t>& block = state.reserved_blocks.back();
        lpStartupInfo->cbReserved2 = static_cast<WORD>(block.size());
        lpStartupInfo->lpReserved2 = block.data();
    }
    state.log.push_back(r);
}

BOOL CloseHandle(HANDLE hObject) {
    sim::CallRecord r = record(Call::CloseHandle, hObject);
    const sim::Fault* fault = planned_fault(Call::CloseHandle);
    HandleEntry* entry = open_entry(hObject);
    bool ok = false;
    if (fails(fault)) {
        fail(r, fault->code);
    } else if (entry == nullptr) {
        fail(r, ERROR_INVALID_HANDLE);
    } else {
        entry->open = false;  // a success leaves the last error as it was
        ok = true;
    }
    r.result = ok ? TRUE : FALSE;
    state.log.push_back(r);
    return ok ? TRUE : FALSE;
}

DWORD GetLastError() {
    return state.last_error;
}

[[noreturn]] void ExitProcess(UINT uExitCode) {
    sim::CallRecord r = record(Call::ExitProcess, nullptr);
    r.requested = uExitCode;
    planned_fault(Call::ExitProcess);  // counted only: the call cannot fail
    state.log.push_back(r);
    std::_Exit(static_cast<int>(uExitCode));
}

HANDLE GetProcessHeap() {
    static char process_heap;  // any fixed address will do
    return &process_heap;
}

LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    sim::CallRecord r = record(Call::HeapAlloc, hHeap);
    r.requested = static_cast<int64_t>(dwBytes);
    const sim::Fault* fault = planned_fault(Call::HeapAlloc);
    void* block = fails(fault) ? nullptr : allocate(dwBytes, dwFlags);
    if (fails(fault)) {
        fail(r, fault->code);
    } else if (block == nullptr) {
        fail(r, ERROR_NOT_ENOUGH_MEMORY);
    }
    r.result = block != nullptr ? 1 : 0;
    state.log.push_back(r);
    return block;
}
