// Helpers for the tests of the POSIX emulation: temporary folders, owned
// descriptors, pipes, the handle of a descriptor, and signals that interrupt
// system calls.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/handle.h"

namespace posix_test {

inline HANDLE handle_of(int fd) {
    return lintop::platform_posix::handle_from_fd(fd);
}

// A descriptor closed at the end of its scope, unless released.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    HANDLE handle() const { return handle_of(fd_); }
    void reset(int fd = -1) {
        if (fd_ != -1) {
            close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
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

// A fresh folder under /tmp, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/lintop_posix_XXXXXX";
        if (mkdtemp(name) != nullptr) {
            path_ = name;
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name, const std::string& content = "") const {
        const std::string full = path_ + "/" + name;
        const int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd != -1) {
            (void)!write(fd, content.data(), content.size());
            close(fd);
        }
        return full;
    }

private:
    std::string path_;
};

// Writes to a pipe without a reader fail with EPIPE instead of killing the
// test: the program's start-up ignores SIGPIPE the same way.
class IgnoreSigpipe {
public:
    IgnoreSigpipe() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &previous_);
    }
    IgnoreSigpipe(const IgnoreSigpipe&) = delete;
    IgnoreSigpipe& operator=(const IgnoreSigpipe&) = delete;
    ~IgnoreSigpipe() { sigaction(SIGPIPE, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

// Names a parameterized case by its `what`.
struct CaseName {
    template <typename Case>
    std::string operator()(const testing::TestParamInfo<Case>& param_info) const {
        return param_info.param.what;
    }
};

// Bytes that do not repeat every 256, so a lost or doubled block shows.
inline std::vector<unsigned char> pattern(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    }
    return bytes;
}

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
        struct sigaction count {};
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
    struct sigaction previous_action_ {};
    itimerval previous_timer_{};
};

// Everything up to the end of data.
inline std::vector<unsigned char> read_all(int fd) {
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

// CreateFileA as open_handle calls it.
inline HANDLE open_for_reading(const std::string& name) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace posix_test
