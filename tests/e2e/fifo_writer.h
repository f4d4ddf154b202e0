// Feeds a named pipe from a thread, chunk by chunk, while the program reads it.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

class FifoWriter {
public:
    using Clock = std::chrono::steady_clock;

    // Creates the FIFO at path and starts writing once a reader opens it,
    // pausing between chunks so that each tends to arrive in a read of its own.
    FifoWriter(const std::filesystem::path& path, std::vector<std::string> chunks, std::chrono::milliseconds pause);
    ~FifoWriter();
    FifoWriter(const FifoWriter&) = delete;
    FifoWriter& operator=(const FifoWriter&) = delete;

    // Stops waiting for a reader that never came, and waits for the thread.
    void finish();

    // Valid after finish(): when each chunk was written and when the write
    // end was closed.
    Clock::time_point written_at(size_t chunk) const { return written_at_.at(chunk); }
    Clock::time_point closed_at() const { return closed_at_; }

private:
    int open_when_read();
    void write_chunks();

    std::filesystem::path path_;
    std::vector<std::string> chunks_;
    std::chrono::milliseconds pause_;
    std::atomic<bool> stop_{false};
    std::vector<Clock::time_point> written_at_;
    Clock::time_point closed_at_{};
    std::thread thread_;
};

}  // namespace e2e
