// Test tool: starts a program with a reserved block of inherited handles in
// its start-up information, the way a C runtime passes its open files to a
// child, and ends with the program's exit status.
//
//   launcher.exe ATTRIBUTES FILE -- PROGRAM [ARGUMENTS...]
//
// FILE is opened for writing (created when missing, never truncated) with an
// inheritable handle left at the start of the file, and passed as handle
// number 1 with the attribute byte ATTRIBUTES (e.g. 0x21: in use, append).
// Handle numbers 0 and 2 are passed as free, so the child asks the platform
// for them. Everything after " -- " is the child's command line, verbatim.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT LAUNCH_FAILURE_STATUS = 120;
constexpr int32_t ENTRY_COUNT = 3;

[[noreturn]] void fail(const std::string& what) {
    const std::string line = "launcher: " + what + " (error " + std::to_string(GetLastError()) + ")\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ExitProcess(LAUNCH_FAILURE_STATUS);
}

// int32 N, N attribute bytes, N handles each as wide as a HANDLE, unaligned.
std::vector<BYTE> make_block(BYTE stdout_attributes, HANDLE stdout_handle) {
    const BYTE attributes[ENTRY_COUNT] = {0, stdout_attributes, 0};
    const HANDLE handles[ENTRY_COUNT] = {INVALID_HANDLE_VALUE, stdout_handle, INVALID_HANDLE_VALUE};
    std::vector<BYTE> block(sizeof(int32_t) + sizeof attributes + sizeof handles);
    std::memcpy(block.data(), &ENTRY_COUNT, sizeof(int32_t));
    std::memcpy(block.data() + sizeof(int32_t), attributes, sizeof attributes);
    std::memcpy(block.data() + sizeof(int32_t) + sizeof attributes, handles, sizeof handles);
    return block;
}

HANDLE open_inheritable(const char* path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fail(std::string("cannot open ") + path);
    }
    return file;
}

// The child's standard handles are the launcher's own; they must be
// inheritable to be valid in the child. Failure leaves the handle as it is.
HANDLE inheritable_std_handle(DWORD which) {
    HANDLE h = GetStdHandle(which);
    if (h != nullptr && h != INVALID_HANDLE_VALUE) {
        SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    return h;
}

std::string child_command_line() {
    const char* line = GetCommandLineA();
    const char* separator = std::strstr(line, " -- ");
    if (separator == nullptr) {
        fail("usage: launcher.exe ATTRIBUTES FILE -- PROGRAM [ARGUMENTS...]");
    }
    return std::string(separator + 4);
}

DWORD run_child(std::string command_line, std::vector<BYTE>& block) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable_std_handle(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritable_std_handle(STD_OUTPUT_HANDLE);
    startup.hStdError = inheritable_std_handle(STD_ERROR_HANDLE);
    startup.cbReserved2 = static_cast<WORD>(block.size());
    startup.lpReserved2 = block.data();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fail("cannot start " + command_line);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = LAUNCH_FAILURE_STATUS;
    GetExitCodeProcess(process.hProcess, &status);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::strcmp(argv[3], "--") != 0) {
        fail("usage: launcher.exe ATTRIBUTES FILE -- PROGRAM [ARGUMENTS...]");
    }
    const auto attributes = static_cast<BYTE>(std::strtoul(argv[1], nullptr, 0));
    HANDLE file = open_inheritable(argv[2]);
    std::vector<BYTE> block = make_block(attributes, file);
    ExitProcess(run_child(child_command_line(), block));
}
