// lintop.exe under Wine in the ways only a Windows parent can start it: with
// inherited handles in its start-up information, and read back through the
// version API. Runs only against the Windows build.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "case_name.h"
#include "harness.h"
#include "wine_run.h"

namespace e2e {
namespace {

class WineTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string why = why_no_windows_build();
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
    }
};

enum class Input {
    OTHER_FILE,    // a file of its own holding THREE_LINES
    OUT_ITSELF,    // OUT, which lintop then reads while it writes to it
    MISSING_FILE,  // a name that no file has
};

// launcher.exe passes OUT as handle number 1 with the attribute byte, its
// position at the start of the file, and handle numbers 0 and 2 as free.
struct InheritedCase : test_support::NamedCase {
    const char* attributes;  // 0x01 in use, 0x08 pipe, 0x20 append, 0x40 character device
    const char* out_before;  // OUT before the run
    Input input;
    const char* count;
    const char* out_after;
    int status;
};

const char* const THREE_LINES = "one\r\ntwo\r\nthree\r\n";
const char* const OWN_LINES = "a1\r\na2\r\na3\r\n";

const InheritedCase INHERITED_CASES[] = {
    {"append lands after the existing contents", "0x21", "existing\r\n", Input::OTHER_FILE, "-2",
     "existing\r\none\r\ntwo\r\n", 0},
    {"without append the write starts at the shared position", "0x01", "0123456789abcdefghij\r\n", Input::OTHER_FILE,
     "-2", "one\r\ntwo\r\nabcdefghij\r\n", 0},
    {"a failed open leaves the handle alone and its status comes back", "0x21", "existing\r\n", Input::MISSING_FILE,
     "-2", "existing\r\n", 2},
    // lintop reads OUT while it writes to it. A disk file holds the copy until
    // exit, so the reads see only the three lines that were there.
    {"disk file kind: written at exit", "0x21", OWN_LINES, Input::OUT_ITSELF, "-10",
     "a1\r\na2\r\na3\r\na1\r\na2\r\na3\r\n", 0},
    // The recorded pipe bit is kept without asking the platform: still buffered.
    {"pipe kind kept: written at exit", "0x29", OWN_LINES, Input::OUT_ITSELF, "-10",
     "a1\r\na2\r\na3\r\na1\r\na2\r\na3\r\n", 0},
    // The recorded character-device bit is kept although the platform would
    // say disk: each line is written as a console's is, before the next read,
    // so the reads find the copied lines and the copy runs to its count.
    {"character device kind kept: each line written at once", "0x61", OWN_LINES, Input::OUT_ITSELF, "-10",
     "a1\r\na2\r\na3\r\na1\r\na2\r\na3\r\na1\r\na2\r\na3\r\na1\r\na2\r\na3\r\na1\r\n", 0},
};

class InheritedStdout : public WineTest, public testing::WithParamInterface<InheritedCase> {};

std::string input_name(const ScratchDir& dir, Input input, const std::string& out) {
    switch (input) {
        case Input::OTHER_FILE:
            return dir.write("in.txt", THREE_LINES);
        case Input::OUT_ITSELF:
            return out;
        case Input::MISSING_FILE:
            break;
    }
    return "missing.txt";
}

TEST_P(InheritedStdout, LintopWritesThroughTheInheritedHandle) {
    const InheritedCase& c = GetParam();
    ScratchDir dir;
    const std::string out = dir.write("out.txt", c.out_before);
    const std::string input = input_name(dir, c.input, out);

    const WineResult r =
        run_under_wine(windows_program("launcher.exe"),
                       {c.attributes, out, "--", wine_path(windows_program("lintop.exe")), c.count, input}, dir.path());

    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(read_file(dir.path() / out), c.out_after);
    EXPECT_EQ(r.out, "") << "lintop wrote to the launcher's own standard output";
    EXPECT_EQ(r.err, c.input == Input::MISSING_FILE ? "missing.txt: No such file or directory\r\n" : "");
}

INSTANTIATE_TEST_SUITE_P(Wine, InheritedStdout, testing::ValuesIn(INHERITED_CASES), test_support::CaseName());

// Wine turns the Unix argument vector into one command line, quoting words
// with blanks; lintop.exe splits it again.
struct CommandLineCase : test_support::NamedCase {
    const char* program_folder;  // where lintop.exe is copied to; null: the build folder
    std::vector<std::string> args;
    const char* out;
};

const CommandLineCase COMMAND_LINE_CASES[] = {
    {"file name with a blank", nullptr, {"-1", "two words.txt"}, "first\r\n"},
    {"slash count and a blank", nullptr, {"/2", "two words.txt"}, "first\r\nsecond\r\n"},
    {"program path with a blank", "my tools", {"-1", "two words.txt"}, "first\r\n"},
};

class WindowsCommandLine : public WineTest, public testing::WithParamInterface<CommandLineCase> {};

TEST_P(WindowsCommandLine, ArgumentsSurviveTheCommandLine) {
    const CommandLineCase& c = GetParam();
    ScratchDir dir;
    dir.write("two words.txt", "first\r\nsecond\r\nthird\r\n");
    std::filesystem::path program = windows_program("lintop.exe");
    if (c.program_folder != nullptr) {
        std::filesystem::create_directories(dir.path() / c.program_folder);
        const std::filesystem::path copy = dir.path() / c.program_folder / "lintop.exe";
        std::filesystem::copy_file(program, copy);
        program = copy;
    }

    const WineResult r = run_under_wine(program, c.args, dir.path());

    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(Wine, WindowsCommandLine, testing::ValuesIn(COMMAND_LINE_CASES), test_support::CaseName());

std::map<std::string, std::string> read_version_lines(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        values[line.substr(0, equals)] = equals == std::string::npos ? "(missing)" : line.substr(equals + 1);
    }
    return values;
}

using WindowsVersionResource = WineTest;

TEST_F(WindowsVersionResource, ReadsBackThroughTheVersionApi) {
    ScratchDir dir;
    const WineResult r =
        run_under_wine(windows_program("version_reader.exe"), {wine_path(windows_program("lintop.exe"))}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;

    std::map<std::string, std::string> values = read_version_lines(r.out);
    const std::map<std::string, std::string> expected = {
        {"FILEVERSION", LINTOP_VERSION_NUMBERS},
        {"PRODUCTVERSION", LINTOP_VERSION_NUMBERS},
        {"Translation", "0409 04b0"},
        {"FileVersion", LINTOP_VERSION_TEXT},
        {"ProductVersion", LINTOP_VERSION_TEXT},
        {"InternalName", "LINTOP"},
        {"OriginalFilename", "LINTOP.EXE"},
        {"FileDescription", LINTOP_FILE_DESCRIPTION},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(values[name], value) << name;
    }
    for (const char* name : {"CompanyName", "ProductName", "LegalCopyright"}) {
        EXPECT_NE(values[name], "(missing)") << name;
        EXPECT_NE(values[name], "") << name;
    }
}

}  // namespace
}  // namespace e2e
