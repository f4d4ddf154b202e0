// Building the child's standard streams for each kind of stdout.
#include "child_fds.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
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

// A connection over the loopback interface whose reader closes with a byte
// unread, which resets it; the writer's end waits until the reset arrives.
Fd reset_socket() {
    const Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    if (::bind(listener.get(), any, size) != 0 || ::listen(listener.get(), 1) != 0 ||
        ::getsockname(listener.get(), any, &size) != 0) {
        fail("loopback listener");
    }
    Fd writer(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (::connect(writer.get(), any, size) != 0) {
        fail("connect");
    }
    Fd reader(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
    pollfd arrived{reader.get(), POLLIN, 0};
    if (::write(writer.get(), "x", 1) != 1 || ::poll(&arrived, 1, 10000) != 1) {
        fail("write to the reader");
    }
    reader.reset();
    pollfd reset{writer.get(), 0, 0};
    if (::poll(&reset, 1, 10000) != 1 || (reset.revents & POLLERR) == 0) {
        fail("reset");
    }
    return writer;
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
        case StdoutTarget::RESET_SOCKET:
            fds.child_stdout = reset_socket();
            break;
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
