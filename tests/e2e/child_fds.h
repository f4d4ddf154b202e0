// The file descriptors that connect the harness to one child process.
#pragma once

#include <filesystem>

#include "harness.h"

namespace e2e {

// An owned file descriptor, closed when it goes.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    void reset();

private:
    int fd_ = -1;
};

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
