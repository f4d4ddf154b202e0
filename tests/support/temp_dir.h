// Temporary folders for the POSIX and end-to-end tests.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "case_name.h"
#include "fd.h"

namespace test_support {

// A fresh folder named after the running test, removed with everything in it
// when the object goes.
class TempDir {
public:
    explicit TempDir(const std::filesystem::path& parent = std::filesystem::temp_directory_path())
        : path_(parent / folder_name()) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes a file of any bytes under the folder and gives its name there.
    std::string write(const std::string& name, std::string_view bytes) const {
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw std::runtime_error("cannot write " + (path_ / name).string());
        }
        return name;
    }
    // The same, giving the file's full name.
    std::string file(const std::string& name, std::string_view bytes = {}) const {
        return (path_ / write(name, bytes)).string();
    }
    // Leaves a socket file under the folder, as a server does, and closes the
    // socket. Bound through the folder's descriptor: the full name may be too
    // long for a socket address.
    bool socket_file(const std::string& name) const {
        const Fd folder(::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        const Fd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const std::string bound = "/proc/self/fd/" + std::to_string(folder.get()) + "/" + name;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (!folder.valid() || !socket.valid() || bound.size() >= sizeof address.sun_path) {
            return false;
        }
        bound.copy(address.sun_path, sizeof address.sun_path - 1);
        return ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

private:
    // The test's name made plain (a parameterised one holds '/'); the process
    // and a count keep the folders of parallel runs and of repeats apart.
    static std::string folder_name() {
        static std::atomic<unsigned> counter{0};
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string test = info != nullptr ? std::string(info->test_suite_name()) + "_" + info->name() : "none";
        return plain_name(test) + "_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    }

    std::filesystem::path path_;
};

}  // namespace test_support
