// The whole process between its entry and its end.
#include "fixture.h"
#include "startup/process.h"

namespace lintop {
namespace {

class Startup : public SimTest {
protected:
    int run_whole(const std::vector<std::string>& args) { return call_entry(run_process, args); }
};

// The allocation that fails, by its number.
struct Allocation : test_support::NamedCase {
    int nth;
};

class StartupWithoutMemory : public Startup, public ::testing::WithParamInterface<Allocation> {};

TEST_P(StartupWithoutMemory, SaysSoOnStandardErrorAndRunsNoCommand) {
    HANDLE out = sim::make_disk();
    HANDLE err = sim::make_disk();
    sim::set_std_handle(STD_OUTPUT_HANDLE, out);
    sim::set_std_handle(STD_ERROR_HANDLE, err);
    sim::name_file("f", sim::make_disk("text\n"));
    sim::plan({sim::Call::HeapAlloc, GetParam().nth, 0, false});
    int status = run_whole({"f"});
    EXPECT_EQ(status, STARTUP_FAILURE_STATUS);
    EXPECT_NE(status, STATUS_COPIED);
    EXPECT_NE(status, STATUS_USAGE);
    EXPECT_NE(status, STATUS_OPEN_FAILED);
    EXPECT_EQ(sim::contents(err), "lintop: not enough memory to start\r\n");
    EXPECT_EQ(sim::contents(out), "");
    EXPECT_TRUE(sim::calls(sim::Call::CreateFileA).empty());
}

INSTANTIATE_TEST_SUITE_P(EachTable, StartupWithoutMemory,
                         ::testing::Values(Allocation{"HandleGroup", 1}, Allocation{"StdinStream", 2},
                                           Allocation{"StdoutStream", 3}, Allocation{"StderrStream", 4}),
                         test_support::CaseName());

TEST_F(Startup, RunsTheCommandAndFlushesBeforeReturningItsStatus) {
    HANDLE out = sim::make_pipe();
    HANDLE err = sim::make_pipe();
    sim::set_std_handle(STD_INPUT_HANDLE, sim::make_console());
    sim::set_std_handle(STD_OUTPUT_HANDLE, out);
    sim::set_std_handle(STD_ERROR_HANDLE, err);
    sim::name_file("f", sim::make_disk("1\n2\n3\n"));
    EXPECT_EQ(run_whole({"-2", "f"}), STATUS_COPIED);
    EXPECT_EQ(sim::written(out), "1\r\n2\r\n");
    EXPECT_EQ(sim::written(err), "");
}

}  // namespace
}  // namespace lintop
