// Building the child's standard streams for each kind of stdout.
#include "child_fds.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace e2e {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void make_pipe(Fd& read_end, Fd& write_end) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        fail("pipe2");
    }
    read_end = Fd(ends[0]);
    write_end = Fd(ends[1]);
}

void set_flags(const Fd& fd, int fd_flags, int status_flags) {
    ::fcntl(fd.get(), F_SETFD, ::fcntl(fd.get(), F_GETFD) | fd_flags);
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | status_flags);
}

Fd open_or_fail(const char* path, int flags) {
    int fd = ::open(path, flags | O_CLOEXEC, 0600);
    if (fd < 0) {
        fail(std::string("open ") + path);
    }
    return Fd(fd);
}

// Raw mode: the terminal passes the program's bytes through unchanged (no
// LF to CR LF of its own), so the master reads exactly what was written.
void open_raw_pty(Fd& master, Fd& slave) {
    termios raw{};
    ::cfmakeraw(&raw);
    int master_fd = -1;
    int slave_fd = -1;
    if (::openpty(&master_fd, &slave_fd, nullptr, &raw, nullptr) != 0) {
        fail("openpty");
    }
    master = Fd(master_fd);
    slave = Fd(slave_fd);
    set_flags(master, FD_CLOEXEC, O_NONBLOCK);
    set_flags(slave, FD_CLOEXEC, 0);
}

std::filesystem::path fresh_stdout_file() {
    static std::atomic<unsigned> counter{0};
    return work_root() / (".stdout-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
}

void make_stdout(ChildFds& fds, StdoutTarget target) {
    switch (target) {
        case StdoutTarget::PIPE:
            make_pipe(fds.parent_stdout, fds.child_stdout);
            set_flags(fds.parent_stdout, 0, O_NONBLOCK);
            break;
        case StdoutTarget::FILE:
            fds.stdout_file = fresh_stdout_file();
            fds.child_stdout = open_or_fail(fds.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
            break;
        case StdoutTarget::PTY:
            open_raw_pty(fds.parent_stdout, fds.child_stdout);
            break;
        case StdoutTarget::DEV_FULL:
            fds.child_stdout = open_or_fail("/dev/full", O_WRONLY);
            break;
        case StdoutTarget::CLOSED_PIPE: {
            Fd read_end;
            make_pipe(read_end, fds.child_stdout);
            break;  // read_end closes here: the pipe has no reader from the start
        }
        case StdoutTarget::CLOSED:
            break;
    }
}

}  // namespace

void ChildFds::close_child_ends() {
    child_stdin.reset();
    child_stdout.reset();
    child_stderr.reset();
}

ChildFds make_child_fds(StdoutTarget target, bool feed_stdin) {
    ChildFds fds;
    if (feed_stdin) {
        make_pipe(fds.child_stdin, fds.parent_stdin);
        set_flags(fds.parent_stdin, 0, O_NONBLOCK);
    } else {
        fds.child_stdin = open_or_fail("/dev/null", O_RDONLY);
    }
    make_stdout(fds, target);
    make_pipe(fds.parent_stderr, fds.child_stderr);
    set_flags(fds.parent_stderr, 0, O_NONBLOCK);
    return fds;
}

}  // namespace e2e
