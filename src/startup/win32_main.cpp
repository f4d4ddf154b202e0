// The Windows entry: the argument vector from the process's own command line,
// the run, and the end of the process with the run's status.
#include "platform/platform.h"
#include "startup/command_line.h"
#include "startup/process.h"

// The C runtime's own argc and argv are ignored: the vector is split here from
// GetCommandLineA so that its rules do not depend on the runtime linked in.
int main() {
    char** argv = nullptr;
    const int argc = lintop::split_command_line(GetCommandLineA(), &argv);
    if (argc < 0) {
        lintop::report_no_memory();
        ExitProcess(lintop::STARTUP_FAILURE_STATUS);
    }
    ExitProcess(static_cast<UINT>(lintop::run_process(argc, argv)));
}
