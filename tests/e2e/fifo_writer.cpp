// The writer side of a named pipe.
#include "fifo_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "harness.h"

namespace e2e {
namespace {

constexpr auto OPEN_RETRY = std::chrono::milliseconds(5);

}  // namespace

FifoWriter::FifoWriter(const std::filesystem::path& path, std::vector<std::string> chunks,
                       std::chrono::milliseconds pause)
    : path_(path), chunks_(std::move(chunks)), pause_(pause) {
    if (::mkfifo(path_.c_str(), 0600) != 0) {
        throw std::runtime_error("mkfifo " + path_.string() + ": " + std::strerror(errno));
    }
    ignore_sigpipe();  // a reader that leaves early makes the writes fail with EPIPE
    thread_ = std::thread([this] { write_chunks(); });
}

FifoWriter::~FifoWriter() {
    finish();
}

void FifoWriter::finish() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

// A non-blocking open fails with ENXIO until a reader has the FIFO open, so
// the thread can give up when the program never opens it. Close-on-exec keeps
// the write end out of children started meanwhile: a stray copy would hold
// off the reader's end of file.
int FifoWriter::open_when_read() {
    while (!stop_) {
        int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        std::this_thread::sleep_for(OPEN_RETRY);
    }
    return -1;
}

void FifoWriter::write_chunks() {
    int fd = open_when_read();
    if (fd < 0) {
        return;
    }
    bool reader_left = false;
    for (size_t i = 0; i < chunks_.size() && !reader_left; ++i) {
        if (i > 0) {
            std::this_thread::sleep_for(pause_);
        }
        written_at_.push_back(Clock::now());
        const std::string& chunk = chunks_[i];
        size_t done = 0;
        while (done < chunk.size()) {
            ssize_t n = ::write(fd, chunk.data() + done, chunk.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (errno != EINTR) {
                reader_left = true;
                break;
            }
        }
    }
    closed_at_ = Clock::now();
    ::close(fd);
}

}  // namespace e2e
