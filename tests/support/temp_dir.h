// Temporary folders for the POSIX and end-to-end tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "case_name.h"

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
