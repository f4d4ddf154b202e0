#include "command/help.h"

#include <cstring>

#include "command/command.h"
#include "command/origin.h"
#include "stream/streams.h"

namespace lintop {

namespace {

// The same bytes on every platform, each line within 80 columns; what a user
// needs first, with the details left to the manual page and the README.
constexpr char HELP[] =
    "\n"
    "Usage: lintop [-count] filename\n"
    "       lintop [/count] filename\n"
    "\n"
    "Copies the first count lines of the file to standard output: 20 when the\n"
    "count is left out, has no digits or is not positive. A line ends with its\n"
    "line feed; lines are counted in pieces of at most 4095 characters, the line\n"
    "feed included, so a longer line counts as several. The file is read in text\n"
    "mode: CR LF is read as LF and a Ctrl-Z byte ends the data; every line feed\n"
    "leaves as CR LF.\n"
    "A single argument is always the file name (\"-5\" and \"--help\" too), except\n"
    "\"/?\", which shows this help.\n"
    "\n"
    "Exit status:\n"
    "  0    every selected line was copied, or the output's reader went away\n"
    "  1    usage error: not one or two arguments\n"
    "  2    the file cannot be opened (\"name: reason\" on standard error)\n"
    "  3    a read of the file or a write of the output failed: the copy is cut\n"
    "       short, and standard error says why\n"
    "  255  not enough memory to start (Windows only)\n"
    "\n"
    "More in the manual page, lintop(1) or lintop.txt, and in the README.\n";

}  // namespace

bool is_help_request(const char* argument) {
    return std::strcmp(argument, "/?") == 0;
}

// Through the standard output stream like the copied lines: the line feeds
// leave as CR LF, and the bytes reach a file or a pipe at exit.
int write_help() {
    write_text(standard_output(), ORIGIN);
    write_text(standard_output(), HELP);
    return STATUS_COPIED;
}

}  // namespace lintop
