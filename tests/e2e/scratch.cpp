// Per-test scratch folders and file helpers.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "harness.h"

namespace e2e {
namespace {

// Test names carry '/' for parameterised cases; keep a plain folder name.
std::string folder_name_for_current_test() {
    static std::atomic<unsigned> counter{0};
    std::string name = "scratch";
    if (const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
        name = std::string(info->test_suite_name()) + "." + info->name();
    }
    for (char& c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                     c == '_' || c == '-';
        if (!plain) {
            c = '_';
        }
    }
    return name + "." + std::to_string(counter++);
}

}  // namespace

ScratchDir::ScratchDir() : path_(work_root() / folder_name_for_current_test()) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::write(const std::string& name, std::string_view bytes) const {
    std::ofstream file(path_ / name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + (path_ / name).string());
    }
    return name;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace e2e
