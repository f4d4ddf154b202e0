// The program under test, its runner and the scratch root, from the environment.
#include "program.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace e2e {
std::string env_text(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

namespace {

std::vector<std::string> split_words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

std::string required_path(const char* name) {
    std::string value = env_text(name);
    if (value.empty()) {
        throw std::runtime_error(std::string(name) + " is not set: it must name the program to test");
    }
    // Absolute, because the child starts in a scratch folder.
    return std::filesystem::absolute(value).string();
}

bool work_root_created = false;

}  // namespace

std::vector<std::string> command_for(Build build) {
    if (build == Build::NATIVE) {
        return {required_path("LINTOP_NATIVE_PROGRAM")};
    }
    std::vector<std::string> command = split_words(env_text("LINTOP_RUNNER"));
    command.push_back(required_path("LINTOP_PROGRAM"));
    return command;
}

bool under_wine() {
    const std::vector<std::string> runner = split_words(env_text("LINTOP_RUNNER"));
    return !runner.empty() && std::filesystem::path(runner.front()).filename() == "wine";
}

bool has_native_build() {
    return !env_text("LINTOP_NATIVE_PROGRAM").empty();
}

std::filesystem::path work_root() {
    static std::once_flag once;
    static std::filesystem::path root;
    std::call_once(once, [] {
        std::string value = env_text("LINTOP_WORK");
        root = value.empty() ? std::filesystem::temp_directory_path() / "lintop_e2e_work"
                             : std::filesystem::absolute(value);
        work_root_created = std::filesystem::create_directories(root);
    });
    return root;
}

void remove_work_root_if_created() {
    std::error_code ignored;
    if (work_root_created && std::filesystem::is_empty(work_root(), ignored)) {
        std::filesystem::remove(work_root(), ignored);
    }
}

}  // namespace e2e
