#include "stub_platform.h"

#include <cstdlib>
#include <cstring>

namespace bench {
namespace {

struct StubFile {
    const char* name;
    const uint8_t* bytes;
    size_t size;
    size_t position;
};

constexpr size_t MAX_STUB_FILES = 16;
StubFile files[MAX_STUB_FILES];
size_t file_count = 0;

// Handles 1 to MAX_STUB_FILES are the files; the next number is every
// standard handle, whose writes are thrown away.
constexpr size_t SINK_NUMBER = MAX_STUB_FILES + 1;

HANDLE handle_of(size_t number) {
    return reinterpret_cast<HANDLE>(number);  // NOLINT(performance-no-int-to-ptr): a handle is a number here
}

StubFile* file_of(HANDLE handle) {
    const auto number = reinterpret_cast<size_t>(handle);
    return number >= 1 && number <= file_count ? &files[number - 1] : nullptr;
}

}  // namespace

void add_stub_file(const char* name, const uint8_t* bytes, size_t size) {
    if (file_count < MAX_STUB_FILES) {
        files[file_count++] = StubFile{name, bytes, size, 0};
    }
}

void rewind_stub_file(HANDLE file) {
    if (StubFile* stub = file_of(file)) {
        stub->position = 0;
    }
}

}  // namespace bench

// The Win32 names that the stream layer calls, over the stub files.

HANDLE CreateFileA(LPCSTR lpFileName, DWORD /*access*/, DWORD /*share*/, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD /*disposition*/, DWORD /*flags*/, HANDLE /*template*/) {
    for (size_t i = 0; i < bench::file_count; ++i) {
        if (std::strcmp(bench::files[i].name, lpFileName) == 0) {
            bench::files[i].position = 0;
            return bench::handle_of(i + 1);
        }
    }
    return INVALID_HANDLE_VALUE;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED /*overlapped*/) {
    bench::StubFile* stub = bench::file_of(hFile);
    if (stub == nullptr) {
        return FALSE;
    }
    const size_t left = stub->size - stub->position;
    const size_t taken = nNumberOfBytesToRead < left ? nNumberOfBytesToRead : left;
    std::memcpy(lpBuffer, stub->bytes + stub->position, taken);
    stub->position += taken;
    *lpNumberOfBytesRead = static_cast<DWORD>(taken);
    return TRUE;
}

BOOL WriteFile(HANDLE /*file*/, LPCVOID /*buffer*/, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED /*overlapped*/) {
    *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    bench::StubFile* stub = bench::file_of(hFile);
    if (stub == nullptr) {
        return INVALID_SET_FILE_POINTER;
    }
    int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        base = static_cast<int64_t>(stub->position);
    } else if (dwMoveMethod == FILE_END) {
        base = static_cast<int64_t>(stub->size);
    }
    stub->position = static_cast<size_t>(base + lDistanceToMove);
    if (lpDistanceToMoveHigh != nullptr) {
        *lpDistanceToMoveHigh = 0;
    }
    return static_cast<DWORD>(stub->position);
}

DWORD GetFileType(HANDLE /*file*/) {
    return FILE_TYPE_DISK;
}

HANDLE GetStdHandle(DWORD /*which*/) {
    return bench::handle_of(bench::SINK_NUMBER);
}

void GetStartupInfoA(LPSTARTUPINFOA lpStartupInfo) {
    std::memset(lpStartupInfo, 0, sizeof *lpStartupInfo);
}

BOOL CloseHandle(HANDLE /*object*/) {
    return TRUE;
}

DWORD GetLastError() {
    return NO_ERROR;
}

void ExitProcess(UINT uExitCode) {
    std::_Exit(static_cast<int>(uExitCode));
}

HANDLE GetProcessHeap() {
    static char heap;
    return &heap;
}

LPVOID HeapAlloc(HANDLE /*heap*/, DWORD /*flags*/, SIZE_T dwBytes) {
    return std::malloc(dwBytes != 0 ? dwBytes : 1);
}
