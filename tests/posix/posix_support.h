// Helpers for the tests of the POSIX emulation: descriptors with their
// handles, pipes, objects of each kind, and signals that interrupt system
// calls.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <thread>

#include "fd.h"
#include "pattern.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/handle.h"
#include "temp_dir.h"

namespace posix_test {

// A last error that no call sets: a call that leaves the last error alone
// leaves this.
inline constexpr DWORD SENTINEL = 12345;

inline HANDLE handle_of(int fd) {
    return lintop::platform_posix::handle_from_fd(fd);
}

using test_support::pattern;
using test_support::TempDir;

// A descriptor closed at the end of its scope, and its handle.
class Fd : public test_support::Fd {
public:
    using test_support::Fd::Fd;
    HANDLE handle() const { return handle_of(get()); }
};

struct Pipe {
    Fd read_end;
    Fd write_end;
    Pipe() {
        int fds[2];
        if (pipe(fds) == 0) {
            read_end.reset(fds[0]);
            write_end.reset(fds[1]);
        }
    }
};

// A fresh object of a kind that a case names, in a folder of its own, with
// what must stay open meanwhile; fd() is -1 for a kind it cannot make.
class Object {
public:
    explicit Object(const std::string& kind) { fd_.reset(make(kind)); }
    int fd() const { return fd_.get(); }
    HANDLE handle() const { return fd_.handle(); }

private:
    int make(const std::string& kind) {
        if (kind == "RegularFile") {
            return open(dir_.file("f", "x").c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (kind == "EmptyRegularFile") {
            return open(dir_.file("empty").c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (kind == "Folder") {
            return open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        if (kind == "DevNull") {
            return open("/dev/null", O_RDWR | O_CLOEXEC);
        }
        if (kind == "DevFull") {
            return open("/dev/full", O_RDWR | O_CLOEXEC);
        }
        int fds[2] = {-1, -1};
        if (kind == "PipeReadEnd" || kind == "PipeWithoutWriter") {
            return pipe2(fds, O_CLOEXEC) == 0 ? with_other_end(fds[0], fds[1], kind == "PipeReadEnd") : -1;
        }
        if (kind == "PipeWriteEnd") {
            return pipe2(fds, O_CLOEXEC) == 0 ? with_other_end(fds[1], fds[0], true) : -1;
        }
        if (kind == "Socketpair" || kind == "SocketWithoutPeer") {
            const bool made = socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0;
            return made ? with_other_end(fds[0], fds[1], kind == "Socketpair") : -1;
        }
        // The terminal's side of a pseudo-terminal; the other side stays open.
        if (kind == "PseudoTerminal" || kind == "TerminalEndOfFile") {
            if (openpty(&fds[0], &fds[1], nullptr, nullptr, nullptr) != 0) {
                return -1;
            }
            with_other_end(fds[1], fds[0], true);
            // Ctrl-D typed in canonical mode: the next read gives 0 bytes, not an error.
            if (kind == "TerminalEndOfFile" && write(fds[0], "\x04", 1) != 1) {
                close(fds[1]);
                return -1;
            }
            return fds[1];
        }
        return -1;
    }

    // Gives `fd`; `other` stays open for the object's life, or is closed at once.
    int with_other_end(int fd, int other, bool keep) {
        other_end_.reset(other);
        if (!keep) {
            other_end_.reset();
        }
        return fd;
    }

    TempDir dir_;
    Fd other_end_;
    Fd fd_;
};

// A handle that a call must refuse, and the code that it must give.
struct Refusal {
    const char* name;
    HANDLE handle;
    DWORD error;
};

// Each refusal gives FALSE, its code as the last error, and no bytes counted;
// `transfer(handle, &count)` makes the call.
template <typename Transfer>
void expect_refusals(std::initializer_list<Refusal> refusals, Transfer transfer) {
    for (const Refusal& refusal : refusals) {
        DWORD count = 99;
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(transfer(refusal.handle, &count), FALSE) << refusal.name;
        EXPECT_EQ(GetLastError(), refusal.error) << refusal.name;
        EXPECT_EQ(count, 0u) << refusal.name;
    }
}

// Writes to a pipe without a reader fail with EPIPE instead of killing the
// test: the program's start-up ignores SIGPIPE the same way.
class IgnoreSigpipe {
public:
    IgnoreSigpipe() {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &previous_);
    }
    IgnoreSigpipe(const IgnoreSigpipe&) = delete;
    IgnoreSigpipe& operator=(const IgnoreSigpipe&) = delete;
    ~IgnoreSigpipe() { sigaction(SIGPIPE, &previous_, nullptr); }

private:
    struct sigaction previous_ = {};
};

// A thread that never takes SIGALRM, so the timer below interrupts the test's
// own thread, in its ReadFile or WriteFile.
template <typename Work>
std::thread spawn_without_alarm(Work work) {
    sigset_t alarm_only;
    sigset_t previous;
    sigemptyset(&alarm_only);
    sigaddset(&alarm_only, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm_only, &previous);
    std::thread thread(work);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

inline volatile sig_atomic_t interruptions = 0;

// SIGALRM every millisecond, handled without SA_RESTART: blocking system calls
// of this thread fail with EINTR or return short.
class Interrupter {
public:
    Interrupter() {
        interruptions = 0;
        struct sigaction count = {};
        count.sa_handler = [](int) {
            interruptions = interruptions + 1;
        };
        sigaction(SIGALRM, &count, &previous_action_);
        const itimerval every{{0, 1000}, {0, 1000}};
        setitimer(ITIMER_REAL, &every, &previous_timer_);
    }
    Interrupter(const Interrupter&) = delete;
    Interrupter& operator=(const Interrupter&) = delete;
    ~Interrupter() {
        setitimer(ITIMER_REAL, &previous_timer_, nullptr);
        sigaction(SIGALRM, &previous_action_, nullptr);
    }

private:
    struct sigaction previous_action_ = {};
    itimerval previous_timer_{};
};

// Everything up to the end of data.
inline std::string read_all(int fd) {
    std::string bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return bytes;
        }
        bytes.append(chunk, static_cast<size_t>(n));
    }
}

// CreateFileA as open_handle calls it.
inline HANDLE open_for_reading(const std::string& name) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace posix_test
