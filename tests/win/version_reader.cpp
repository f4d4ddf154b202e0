// Test tool: prints the version resource of an executable, one "Name=value"
// line each, as the platform's version API reads it back.
//
//   version_reader.exe PROGRAM
#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr UINT READ_FAILURE_STATUS = 120;

const char* const STRING_NAMES[] = {
    "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion",
};

void print(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

[[noreturn]] void fail(const std::string& what) {
    const std::string line = "version_reader: " + what + " (error " + std::to_string(GetLastError()) + ")\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ExitProcess(READ_FAILURE_STATUS);
}

std::string hex4(WORD value) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (int shift = 12; shift >= 0; shift -= 4) {
        text += DIGITS[(value >> shift) & 0xF];
    }
    return text;
}

std::string dotted(DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "," + std::to_string(LOWORD(high)) + "," + std::to_string(HIWORD(low)) + "," +
           std::to_string(LOWORD(low));
}

void print_fixed_info(std::vector<char>& info) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &size) || size < sizeof *fixed) {
        fail("no fixed file information");
    }
    print("FILEVERSION=" + dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + "\n");
    print("PRODUCTVERSION=" + dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + "\n");
}

void print_translations(std::vector<char>& info) {
    WORD* pairs = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&pairs), &size)) {
        fail("no translation table");
    }
    for (UINT i = 0; i + 1 < size / sizeof(WORD); i += 2) {
        print("Translation=" + hex4(pairs[i]) + " " + hex4(pairs[i + 1]) + "\n");
    }
}

// Names missing from the block are printed with no "=" so that a test sees them.
void print_strings(std::vector<char>& info) {
    for (const char* name : STRING_NAMES) {
        const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
        char* value = nullptr;
        UINT size = 0;
        if (VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<LPVOID*>(&value), &size)) {
            print(std::string(name) + "=" + value + "\n");
        } else {
            print(std::string(name) + "\n");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fail("usage: version_reader.exe PROGRAM");
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
    if (size == 0) {
        fail(std::string("no version information in ") + argv[1]);
    }
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(argv[1], 0, size, info.data())) {
        fail(std::string("cannot read the version information of ") + argv[1]);
    }
    print_fixed_info(info);
    print_translations(info);
    print_strings(info);
    return 0;
}
