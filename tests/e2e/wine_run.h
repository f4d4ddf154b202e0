// Runs the Windows build's programs under Wine, for the tests that need a
// program other than lintop.exe itself (the launcher, the version reader).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

struct WineResult {
    std::string out;  // stdout bytes
    std::string err;  // stderr bytes
    int status = -1;  // exit status; -1 when the run did not end normally
    bool timed_out = false;
};

// Empty when LINTOP_RUNNER is "wine" and LINTOP_WINDOWS_DIR is set; otherwise
// why the Windows tests cannot run.
std::string why_no_windows_build();

// LINTOP_WINDOWS_DIR / name, absolute.
std::filesystem::path windows_program(const std::string& name);

// The name Wine gives an absolute Unix path: the root is drive Z:.
std::string wine_path(const std::filesystem::path& path);

// Runs `wine program args...` in `cwd` with stdin from /dev/null and waits for
// it; stdout and stderr are captured through files in `cwd`.
WineResult run_under_wine(const std::filesystem::path& program, const std::vector<std::string>& args,
                          const std::filesystem::path& cwd);

}  // namespace e2e
