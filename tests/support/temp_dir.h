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

    // Writes a file of any bytes under the folder and gives its full name.
    std::string file(const std::string& name, std::string_view bytes = {}) const {
        const std::filesystem::path full = path_ / name;
        std::ofstream out(full, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            throw std::runtime_error("cannot write " + full.string());
        }
        return full.string();
    }

private:
    // Parameterised tests' names hold '/': only plain bytes are kept. The
    // process and a count keep folders of parallel runs and repeats apart.
    static std::string folder_name() {
        static std::atomic<unsigned> counter{0};
        std::string name = "lintop_test";
        if (const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
            name = std::string(info->test_suite_name()) + "." + info->name();
        }
        for (char& c : name) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                               c == '.' || c == '_' || c == '-';
            c = plain ? c : '_';
        }
        return name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    }

    std::filesystem::path path_;
};

}  // namespace test_support
