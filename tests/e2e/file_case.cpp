// Running one table row against the program, and against the native build.
#include "file_case.h"

#include <gtest/gtest.h>

#include "bytes.h"

namespace e2e {

void check_file_case(const FileCase& c, StdoutTarget target) {
    ScratchDir dir;
    std::string name = dir.write("input.txt", c.file);
    RunOptions options;
    options.cwd = dir.path();
    options.stdout_target = target;
    for (const std::string& arg : c.args) {
        options.args.push_back(arg == INPUT ? name : arg);
    }
    RunResult result = run(options);
    EXPECT_TRUE(produced(result, c.out, "", c.status));

    if (has_native_build()) {
        options.build = Build::NATIVE;
        EXPECT_TRUE(same_run(result, run(options)));
    }
}

}  // namespace e2e
