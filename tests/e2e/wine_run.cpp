#include "wine_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "harness.h"
#include "program.h"

namespace e2e {
namespace {

// A first run in a fresh prefix sets the prefix up, which takes a while.
constexpr std::chrono::seconds WINE_TIMEOUT{300};

// In the child after fork: only async-signal-safe calls until exec, so
// everything it needs is made before the fork.
[[noreturn]] void exec_child(char* const* argv, const char* cwd, int out, int err) {
    const int in = open("/dev/null", O_RDONLY);
    if (in < 0 || chdir(cwd) != 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
        _exit(127);
    }
    execvp(argv[0], argv);
    _exit(127);
}

int wait_with_deadline(pid_t pid, bool& timed_out) {
    const auto deadline = std::chrono::steady_clock::now() + WINE_TIMEOUT;
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            timed_out = true;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

std::string why_no_windows_build() {
    if (env_text("LINTOP_RUNNER") != "wine") {
        return "LINTOP_RUNNER is not \"wine\": no Windows build under test";
    }
    if (env_text("LINTOP_WINDOWS_DIR").empty()) {
        return "LINTOP_WINDOWS_DIR does not name the mingw-w64 build folder";
    }
    return {};
}

std::filesystem::path windows_program(const std::string& name) {
    return std::filesystem::absolute(env_text("LINTOP_WINDOWS_DIR")) / name;
}

std::string wine_path(const std::filesystem::path& path) {
    std::string name = "Z:" + std::filesystem::absolute(path).string();
    for (char& c : name) {
        if (c == '/') {
            c = '\\';
        }
    }
    return name;
}

WineResult run_under_wine(const std::filesystem::path& program, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd) {
    std::vector<std::string> words = {"wine", program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const std::filesystem::path out_name = cwd / "wine-run.stdout";
    const std::filesystem::path err_name = cwd / "wine-run.stderr";
    const int out = open(out_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = open(err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

    WineResult result;
    const pid_t pid = (out < 0 || err < 0) ? -1 : fork();
    if (pid == 0) {
        exec_child(argv.data(), cwd.c_str(), out, err);
    }
    if (out >= 0) {
        close(out);
    }
    if (err >= 0) {
        close(err);
    }
    if (pid < 0) {
        return result;
    }
    result.status = wait_with_deadline(pid, result.timed_out);
    result.out = read_file(out_name);
    result.err = read_file(err_name);
    return result;
}

}  // namespace e2e
