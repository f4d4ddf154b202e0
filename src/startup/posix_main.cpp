// The process entry on POSIX.
#include <csignal>

#include "platform/platform.h"
#include "startup/process.h"

int main(int argc, char** argv) {
    // A reader that has gone, or a write past the file-size limit, makes the
    // write fail, as on Windows, instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    ExitProcess(static_cast<UINT>(lintop::run_process(argc, argv)));
}
