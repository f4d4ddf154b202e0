#include "startup/process.h"

#include <cstring>

#include "command/command.h"
#include "platform/platform.h"
#include "stream/handles.h"
#include "stream/streams.h"

namespace lintop {

namespace {

constexpr char NO_MEMORY[] = "lintop: not enough memory to start\r\n";

}  // namespace

void report_no_memory() {
    HANDLE error_handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    WriteFile(error_handle, NO_MEMORY, static_cast<DWORD>(std::strlen(NO_MEMORY)), &written, nullptr);
}

int run_process(int argc, char** argv) {
    if (!provide_handle_group()) {
        report_no_memory();
        return STARTUP_FAILURE_STATUS;
    }
    classify_standard_handles();
    if (!provide_standard_streams()) {
        report_no_memory();
        return STARTUP_FAILURE_STATUS;
    }
    return exit_sequence(command_main(argc, argv));
}

int exit_sequence(int status) {
    flush_all_streams();
    return report_copy_failure(status);
}

}  // namespace lintop
