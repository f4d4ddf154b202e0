// Helpers for the tests of the POSIX emulation: temporary folders, owned
// descriptors, pipes, and the handle of a descriptor.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/posix/handle.h"

namespace posix_test {

inline HANDLE handle_of(int fd) {
    return platform_posix::handle_from_fd(fd);
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

// CreateFileA as open_handle calls it.
inline HANDLE open_for_reading(const std::string& name) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace posix_test
