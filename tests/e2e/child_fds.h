// The file descriptors that connect the harness to one child process.
#pragma once

#include <filesystem>

#include "fd.h"
#include "harness.h"

namespace e2e {

using test_support::Fd;

// The child's ends are dup'ed onto its 0, 1 and 2; the parent keeps the other
// ends. Every descriptor is close-on-exec, so no child inherits another's
// pipe (an inherited write end would hold off the end of file).
struct ChildFds {
    Fd child_stdin;
    Fd child_stdout;
    Fd child_stderr;
    Fd parent_stdin;   // write end of the stdin pipe, when stdin bytes are fed
    Fd parent_stdout;  // read end of the stdout pipe or the pty master
    Fd parent_stderr;
    std::filesystem::path stdout_file;  // for StdoutTarget::FILE

    void close_child_ends();
};

ChildFds make_child_fds(StdoutTarget target, bool feed_stdin);

}  // namespace e2e
