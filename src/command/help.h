// The answer to `lintop /?`, the help that every Windows console command gives.
#pragma once

namespace lintop {

// True for the single argument "/?". No Windows file name can hold a '?', so
// no file is hidden by it; every other argument, "--help" included, stays a
// file name.
bool is_help_request(const char* argument);

// Writes the help to standard output; the exit status.
int write_help();

}  // namespace lintop
