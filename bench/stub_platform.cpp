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

// Handles 1 to MAX_STUB_FILES are files; this one is every standard handle.
HANDLE const SINK = reinterpret_cast<HANDLE>(static_cast<intptr_t>(MAX_STUB_FILES + 1));

StubFile* file_of(HANDLE handle) {
    const auto number = static_cast<size_t>(reinterpret_cast<intptr_t>(handle));
    return number >= 1 && number <= file_count ? &files[number - 1] : nullptr;
}

}  // namespace

void add_stub_file(const char* name, const uint8_t* bytes, size_t size) {
    if (file_count < MAX_STUB_FILES) files[file_count++] = StubFile{name, bytes, size, 0};
}

void rewind_stub_file(HANDLE file) {
    if (StubFile* stub = file_of(file)) stub->position = 0;
}

}  // namespace bench

using bench::file_of;

HANDLE CreateFileA(LPCSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    for (size_t i = 0; i < bench::file_count; ++i) {
        if (std::strcmp(bench::files[i].name, name) == 0) {
            bench::files[i].position = 0;
            return reinterpret_cast<HANDLE>(static_cast<intptr_t>(i + 1));
        }
    }
    return INVALID_HANDLE_VALUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD received, LPOVERLAPPED) {
    bench::StubFile* stub = file_of(file);
    if (stub == nullptr) return FALSE;
    const size_t left = stub->size - stub->position;
    const size_t taken = count < left ? count : left;
    std::memcpy(buffer, stub->bytes + stub->position, taken);
    stub->position += taken;
    *received = static_cast<DWORD>(taken);
    return TRUE;
}

BOOL WriteFile(HANDLE, LPCVOID, DWORD count, LPDWORD written, LPOVERLAPPED) {
    *written = count;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG high, DWORD method) {
    bench::StubFile* stub = file_of(file);
    if (stub == nullptr) return INVALID_SET_FILE_POINTER;
    const int64_t base = method == FILE_BEGIN ? 0 : method == FILE_CURRENT ? static_cast<int64_t>(stub->position)
                                                                           : static_cast<int64_t>(stub->size);
    stub->position = static_cast<size_t>(base + distance);
    if (high != nullptr) *high = 0;
    return static_cast<DWORD>(stub->position);
}

DWORD GetFileType(HANDLE) { return FILE_TYPE_DISK; }
HANDLE GetStdHandle(DWORD) { return bench::SINK; }
void GetStartupInfoA(LPSTARTUPINFOA info) { std::memset(info, 0, sizeof *info); }
BOOL CloseHandle(HANDLE) { return TRUE; }
DWORD GetLastError() { return NO_ERROR; }
void ExitProcess(UINT code) { std::_Exit(static_cast<int>(code)); }

HANDLE GetProcessHeap() {
    static char heap;
    return &heap;
}

LPVOID HeapAlloc(HANDLE, DWORD, SIZE_T size) { return std::malloc(size != 0 ? size : 1); }
