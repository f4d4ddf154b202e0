// The program under test against the native build over random inputs rich in
// what the text translation and the line pieces care about.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "bytes.h"
#include "harness.h"

namespace e2e {
namespace {

constexpr uint32_t SEED = 20240611;
constexpr int FILE_COUNT = 24;
constexpr size_t BUFFER = 4096;

using Random = std::mt19937;

size_t below(Random& random, size_t bound) {
    return static_cast<size_t>(random() % bound);
}

// Pads so that the next byte is the last of a 4096-byte read, then puts a CR
// there with one of the bytes that matter after it.
void append_cr_at_read_end(Random& random, std::string& file) {
    size_t pad = (BUFFER - 1) - file.size() % BUFFER;
    file += pattern(pad);
    static const char* const AFTER[] = {"\n", "Y", "\r", "\x1a", "\r\n"};
    file += '\r';
    file += AFTER[below(random, std::size(AFTER))];
}

void append_token(Random& random, std::string& file) {
    size_t kind = below(random, 100);
    if (kind < 40) {
        file += pattern(1 + below(random, 80));
    } else if (kind < 55) {
        file += '\n';
    } else if (kind < 65) {
        file += "\r\n";
    } else if (kind < 72) {
        file += '\r';
    } else if (kind < 76) {
        file += '\0';
    } else if (kind < 80) {
        file += static_cast<char>(0x80 + below(random, 0x80));
    } else if (kind < 86) {
        file += pattern(3000 + below(random, 3000));
    } else if (kind < 92) {
        static const char* const RUNS[] = {"\r\r\n", "\n\r", "\r\r", "\n\n\n", "\r\n\r\n"};
        file += RUNS[below(random, std::size(RUNS))];
    } else {
        append_cr_at_read_end(random, file);
    }
}

std::string random_file(Random& random) {
    std::string file;
    size_t target = 1 + below(random, 20000);
    while (file.size() < target) {
        append_token(random, file);
    }
    // One file in three ends its data early with a Ctrl-Z.
    if (below(random, 3) == 0) {
        file.insert(below(random, file.size()), 1, '\x1a');
    }
    return file;
}

const std::vector<std::string> COUNTS[] = {{}, {"-1"}, {"-7"}, {"/100"}, {"-100000"}, {"-3"}};

TEST(Differential, RandomFilesGiveTheSameRunAsTheNativeBuild) {
    if (!has_native_build()) {
        GTEST_SKIP() << "LINTOP_NATIVE_PROGRAM is not set: no native build to compare with";
    }
    Random random(SEED);
    for (int i = 0; i < FILE_COUNT; ++i) {
        ScratchDir dir;
        RunOptions options;
        options.cwd = dir.path();
        options.args = COUNTS[static_cast<size_t>(i) % std::size(COUNTS)];
        options.args.push_back(dir.write("input.txt", random_file(random)));
        // Every other run writes to a file, whose buffering must match the pipe's.
        options.stdout_target = i % 2 == 0 ? StdoutTarget::PIPE : StdoutTarget::FILE;
        RunResult result = run(options);
        options.build = Build::NATIVE;
        EXPECT_TRUE(same_run(result, run(options))) << "random file " << i << " (seed " << SEED << ")";
    }
}

}  // namespace
}  // namespace e2e
