// The run of one process between its platform entry and its end.
#pragma once

namespace lintop {

// Exit status when memory for the start-up tables cannot be had; none of the
// command's own statuses 0 to 3.
constexpr int STARTUP_FAILURE_STATUS = 255;

// Says on the standard error handle, straight to the platform, that the
// process could not get memory to start; nothing else is set up yet.
void report_no_memory();

// After the command driver: writes out what the streams hold, then reports a
// copy that a failed read or a refused write cut short. The final status.
int exit_sequence(int status);

// Builds the handle and stream tables, classifies the standard handles, runs
// the command driver and the exit-time flush. Returns the status with which
// the platform entry ends the process (ExitProcess).
int run_process(int argc, char** argv);

}  // namespace lintop
