// Spawning the program and collecting its output.
#include "harness.h"

#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "child_fds.h"
#include "program.h"

extern char** environ;

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

// How long output may keep trickling in after the child has been reaped. Under
// Wine, helper processes can inherit the pipes and keep them open long after
// the program itself has ended, so end of file cannot be waited for.
constexpr auto DRAIN_IDLE = std::chrono::milliseconds(150);
constexpr int POLL_INTERVAL_MS = 20;
constexpr size_t READ_CHUNK = 65536;

std::vector<char*> make_argv(const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const std::string& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

// The harness's environment with the entries of `environment` in place of
// those of the same name.
std::vector<char*> make_envp(const std::vector<std::string>& environment) {
    std::vector<char*> envp = make_argv(environment);
    envp.pop_back();
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view name(*entry, std::strcspn(*entry, "="));
        if (std::none_of(environment.begin(), environment.end(),
                         [&](const std::string& given) { return given.compare(0, given.find('='), name) == 0; })) {
            envp.push_back(*entry);
        }
    }
    envp.push_back(nullptr);
    return envp;
}

pid_t spawn_child(const std::vector<std::string>& command, const std::vector<std::string>& environment,
                  const ChildFds& fds, const std::filesystem::path& cwd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds.child_stdin.get(), 0);
    if (fds.child_stdout.get() >= 0) {
        posix_spawn_file_actions_adddup2(&actions, fds.child_stdout.get(), 1);
    } else {
        posix_spawn_file_actions_addclose(&actions, 1);
    }
    posix_spawn_file_actions_adddup2(&actions, fds.child_stderr.get(), 2);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());

    // The harness ignores SIGPIPE; the child must meet the default action, or
    // a program that forgets to handle a closed pipe would pass unnoticed.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t mask;
    sigemptyset(&mask);
    posix_spawnattr_setsigmask(&attr, &mask);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv = make_argv(command);
    std::vector<char*> envp = make_envp(environment);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::runtime_error("cannot start " + command[0] + ": " + std::strerror(rc));
    }
    return pid;
}

// The parent's ends of the child's streams, drained or fed until the child
// has ended and its output has stopped arriving.
class Collector {
public:
    Collector(ChildFds& fds, const std::optional<std::string>& stdin_bytes)
        : out_(std::move(fds.parent_stdout)),
          err_(std::move(fds.parent_stderr)),
          in_(std::move(fds.parent_stdin)),
          stdin_bytes_(stdin_bytes.value_or("")) {}

    void collect(pid_t pid, Clock::time_point deadline, RunResult& result);

private:
    void poll_once(RunResult& result);
    bool read_into(Fd& fd, std::string& sink);
    void feed_stdin();

    Fd out_;
    Fd err_;
    Fd in_;
    std::string stdin_bytes_;
    size_t stdin_done_ = 0;
    Clock::time_point last_data_{};
};

bool Collector::read_into(Fd& fd, std::string& sink) {
    char buffer[READ_CHUNK];
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n > 0) {
        sink.append(buffer, static_cast<size_t>(n));
        last_data_ = Clock::now();
        return true;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        fd.reset();  // end of file, or EIO from a pty whose slave is closed
    }
    return false;
}

void Collector::feed_stdin() {
    ssize_t n = ::write(in_.get(), stdin_bytes_.data() + stdin_done_, stdin_bytes_.size() - stdin_done_);
    if (n > 0) {
        stdin_done_ += static_cast<size_t>(n);
    }
    if ((n < 0 && errno != EAGAIN && errno != EINTR) || stdin_done_ == stdin_bytes_.size()) {
        in_.reset();  // all fed, or the child closed its stdin (EPIPE)
    }
}

void Collector::poll_once(RunResult& result) {
    pollfd fds[3];
    nfds_t count = 0;
    int out_index = -1;
    int err_index = -1;
    int in_index = -1;
    if (out_.valid()) {
        out_index = static_cast<int>(count);
        fds[count++] = pollfd{out_.get(), POLLIN, 0};
    }
    if (err_.valid()) {
        err_index = static_cast<int>(count);
        fds[count++] = pollfd{err_.get(), POLLIN, 0};
    }
    if (in_.valid()) {
        in_index = static_cast<int>(count);
        fds[count++] = pollfd{in_.get(), POLLOUT, 0};
    }
    if (::poll(fds, count, POLL_INTERVAL_MS) <= 0) {
        return;
    }
    if (out_index >= 0 && fds[out_index].revents != 0) {
        if (read_into(out_, result.out)) {
            result.out_arrivals.push_back({Clock::now(), result.out.size()});
        }
    }
    if (err_index >= 0 && fds[err_index].revents != 0) {
        read_into(err_, result.err);
    }
    if (in_index >= 0 && fds[in_index].revents != 0) {
        feed_stdin();
    }
}

void Collector::collect(pid_t pid, Clock::time_point deadline, RunResult& result) {
    if (in_.valid() && stdin_bytes_.empty()) {
        in_.reset();
    }
    bool reaped = false;
    int wait_status = 0;
    while (true) {
        poll_once(result);
        if (!reaped && ::waitpid(pid, &wait_status, WNOHANG) == pid) {
            reaped = true;
            last_data_ = Clock::now();
        }
        if (reaped && ((!out_.valid() && !err_.valid()) || Clock::now() - last_data_ > DRAIN_IDLE)) {
            break;
        }
        if (!reaped && Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &wait_status, 0);
            result.timed_out = true;
            break;
        }
    }
    if (WIFEXITED(wait_status)) {
        result.status = WEXITSTATUS(wait_status);
    } else if (WIFSIGNALED(wait_status)) {
        result.signaled = true;
        result.signal = WTERMSIG(wait_status);
    }
}

}  // namespace

size_t RunResult::out_before(std::chrono::steady_clock::time_point moment) const {
    size_t total = 0;
    for (const Arrival& arrival : out_arrivals) {
        if (arrival.at < moment) {
            total = arrival.total;
        }
    }
    return total;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void ignore_sigpipe() {
    static std::atomic<bool> done{false};
    if (!done.exchange(true)) {
        std::signal(SIGPIPE, SIG_IGN);
    }
}

RunResult run(const RunOptions& options) {
    ignore_sigpipe();
    std::vector<std::string> command = command_for(options.build);
    command.insert(command.end(), options.args.begin(), options.args.end());
    std::filesystem::path cwd = options.cwd.empty() ? work_root() : options.cwd;

    ChildFds fds = make_child_fds(options.stdout_target, options.stdin_bytes.has_value());
    Clock::time_point deadline = Clock::now() + options.timeout;
    // The child takes the limit from this process at its start; the harness
    // writes nothing meanwhile.
    rlimit own{};
    if (options.file_size_limit) {
        getrlimit(RLIMIT_FSIZE, &own);
        const rlimit limited{*options.file_size_limit, own.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    pid_t pid = spawn_child(command, options.environment, fds, cwd);
    if (options.file_size_limit) {
        setrlimit(RLIMIT_FSIZE, &own);
    }
    fds.close_child_ends();

    RunResult result;
    Collector collector(fds, options.stdin_bytes);
    collector.collect(pid, deadline, result);
    if (options.stdout_target == StdoutTarget::FILE) {
        result.out = read_file(fds.stdout_file);
        std::filesystem::remove(fds.stdout_file);
    }
    return result;
}

}  // namespace e2e
