// Splitting the platform's one-string command line into an argument vector.
#pragma once

namespace lintop {

// Splits `line` by the platform's rules: spaces and tabs separate arguments;
// double quotes group; 2n backslashes before a quote give n backslashes and
// the quote groups; 2n+1 give n backslashes and a literal quote; any other
// backslash is literal. The program name (argv[0]) ends at the first space or
// tab, or at its closing quote when it begins with a quote, and its
// backslashes are taken as they are.
//
// The program name always exists: an empty (or null) line, or one that begins
// with a space or tab, gives an empty argv[0], so argc is at least 1.
//
// On success stores in *argv_out a vector of argc strings followed by a null
// pointer, all in one block from HeapAlloc on the process heap that is never
// released, and returns argc. Returns -1, leaving *argv_out alone, when the
// memory cannot be had.
int split_command_line(const char* line, char*** argv_out);

}  // namespace lintop
