// The fault sweep: each platform call of a run fails in turn (once, and from
// then on, with a code of each class) or transfers only part, alone and
// beside a second fault (no memory for the stream buffers, a failed step
// back, a failed last read), on long inputs with CRs at read edges; each run
// against the fault oracle (support/fault_oracle.h).
#include <map>
#include <vector>

#include "fault_oracle.h"
#include "fixture.h"
#include "startup/process.h"

namespace lintop {
namespace {

enum class Out { DISK, PIPE, CONSOLE };

struct SweepCase : test_support::NamedCase {
    std::string data;
    bool pipe_input;
    Out out;
};

// CRs where 4096-byte reads end: CR then LF, CR then another byte, CR then
// CR LF, and a lone CR at the end of the data.
std::string cr_at_read_edges() {
    std::string data = std::string(4095, 'a') + "\r\n";        // the peek finds LF
    data += std::string(8191 - data.size(), 'b') + "\rY\n";    // the peek finds Y
    data += std::string(12287 - data.size(), 'c') + "\r\r\n";  // the peek finds CR
    for (int i = 0; i < 12; ++i) {
        data += "line\r\n" + std::string(static_cast<size_t>(i * 37), 'd') + "\r";
    }
    return data + "xyz\r";
}

// A CR that ends a read and a Ctrl-Z behind it: when the step back fails the
// Ctrl-Z is held back, and it must end the data whatever the next read does.
std::string ctrl_z_after_cr_at_read_edge() {
    return std::string(4095, 'a') + "\r\x1a" + "never";
}

struct Outcome {
    int status;
    std::string out;
    std::map<sim::Call, size_t> calls;
    std::vector<sim::CallRecord> log;
    std::string report;  // what the first loss calls for; empty when nothing was lost
    std::string broken;  // what the run broke of the promise under faults; empty when it held
};

// One process over the simulation, start-up to exit sequence, with `faults`
// planned, judged against the fault-free output `clean` when one is given.
Outcome run_once(const SweepCase& c, const std::vector<sim::Fault>& faults, const std::string* clean = nullptr) {
    sim::reset();
    reset_stream_layer();
    HANDLE out = c.out == Out::DISK ? sim::make_disk() : c.out == Out::PIPE ? sim::make_pipe() : sim::make_console();
    HANDLE err = sim::make_disk();
    sim::set_std_handle(STD_INPUT_HANDLE, sim::make_console());
    sim::set_std_handle(STD_OUTPUT_HANDLE, out);
    sim::set_std_handle(STD_ERROR_HANDLE, err);
    sim::name_file("f", c.pipe_input ? sim::make_pipe(c.data) : sim::make_disk(c.data));
    for (const sim::Fault& fault : faults) {
        sim::plan(fault);
    }
    std::string args[] = {"lintop", "-100000", "f"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), nullptr};
    const test_support::FaultedRun run{run_process(3, argv), sim::written(out), sim::written(err)};
    const test_support::RunEnds ends{out, err, c.out == Out::CONSOLE, "f"};
    Outcome outcome{run.status, run.out, {}, sim::log(), test_support::first_loss_report(ends, !c.data.empty()), {}};
    if (clean != nullptr) {
        outcome.broken = test_support::fault_promise_broken(*clean, run, ends, faults);
    }
    for (const sim::CallRecord& r : outcome.log) {
        ++outcome.calls[r.call];
    }
    return outcome;
}

// The faults tried at each call: failures with a code of each class, and
// partial transfers. A partial read is one that the layer completes. A read
// that gives nothing is the end of a file, and a file that goes on after its
// end has changed: that is no fault, and no rule could hide it.
std::vector<sim::Fault> faults_at(sim::Call call, int nth) {
    std::vector<sim::Fault> faults;
    for (DWORD code : {ERROR_ACCESS_DENIED, ERROR_BROKEN_PIPE, ERROR_PIPE_NOT_CONNECTED, ERROR_GEN_FAILURE,
                       ERROR_NOT_ENOUGH_MEMORY}) {
        faults.push_back({call, nth, code, false});
        faults.push_back({call, nth, code, true});
    }
    if (call == sim::Call::ReadFile || call == sim::Call::WriteFile) {
        for (int64_t take : {0, 1, 7, 1000}) {
            if (take == 0 && call == sim::Call::ReadFile) {
                continue;
            }
            faults.push_back({call, nth, 0, false, take});
            faults.push_back({call, nth, 0, true, take});
        }
    }
    return faults;
}

// Every index of a call while there are few of them; a spread of them otherwise.
std::vector<int> indexes(size_t count) {
    std::vector<int> chosen;
    const size_t step = count <= 100 ? 1 : count / 25;
    for (size_t i = 1; i <= count; i += step) {
        chosen.push_back(static_cast<int>(i));
    }
    if (count > 0 && chosen.back() != static_cast<int>(count)) {
        chosen.push_back(static_cast<int>(count));
    }
    return chosen;
}

// The promise of one faulty run beside the fault-free one. The first fault
// is the swept one; a second one keeps the output whole alone.
void check_run(const SweepCase& c, const Outcome& clean, const std::vector<sim::Fault>& faults) {
    const Outcome faulty = run_once(c, faults, &clean.out);
    ASSERT_EQ(faulty.broken, "");
}

// The number of the first call of a kind after the input was opened: the
// allocations from there on are the stream buffers.
int first_after_open(const Outcome& run, sim::Call call) {
    int nth = 0;
    bool opened = false;
    for (const sim::CallRecord& r : run.log) {
        opened = opened || r.call == sim::Call::CreateFileA;
        if (r.call == call) {
            ++nth;
            if (opened) {
                return nth;
            }
        }
    }
    return nth + 1;
}

class FaultSweep : public SimTest, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(FaultSweep, KeepsTheOutputAPrefixOfTheFaultFreeOutputAndTheStatusTellsWhich) {
    const SweepCase& c = GetParam();
    const Outcome clean = run_once(c, {});
    ASSERT_EQ(clean.status, STATUS_COPIED);
    ASSERT_FALSE(clean.out.empty());
    int runs = 0;
    for (sim::Call call : {sim::Call::CreateFileA, sim::Call::ReadFile, sim::Call::WriteFile, sim::Call::SetFilePointer,
                           sim::Call::GetFileType, sim::Call::GetStdHandle, sim::Call::HeapAlloc}) {
        const auto found = clean.calls.find(call);
        for (int nth : indexes(found == clean.calls.end() ? 0 : found->second)) {
            for (const sim::Fault& fault : faults_at(call, nth)) {
                ++runs;
                check_run(c, clean, {fault});
                if (HasFatalFailure()) {
                    return;
                }
            }
        }
    }
    RecordProperty("fault_runs", runs);
    std::printf("%s: %d fault runs\n", c.name.c_str(), runs);
}

// Each read or write fault again, beside a fault that alone keeps the output
// whole: no memory for the stream buffers, a step back that fails, or a last
// read that fails (a loss all the same, so that two losses meet). The
// inputs with CRs at read edges only: without buffers every 2 bytes are a
// read edge, and long inputs would add time, not cases.
class SecondFaultSweep : public FaultSweep {};

TEST_P(SecondFaultSweep, HoldsBesideEachReadOrWriteFault) {
    const SweepCase& c = GetParam();
    const Outcome clean = run_once(c, {});
    const sim::Fault second_faults[] = {
        {sim::Call::HeapAlloc, first_after_open(clean, sim::Call::HeapAlloc), 0, true},
        {sim::Call::SetFilePointer, 1, ERROR_NEGATIVE_SEEK, true},
        {sim::Call::ReadFile, static_cast<int>(clean.calls.at(sim::Call::ReadFile)), ERROR_GEN_FAILURE},
    };
    int runs = 0;
    for (const sim::Fault& second : second_faults) {
        const Outcome base = run_once(c, {second});
        ASSERT_TRUE(base.out == clean.out && (base.status == STATUS_COPIED) == base.report.empty())
            << test_support::describe({second});
        for (sim::Call call : {sim::Call::ReadFile, sim::Call::WriteFile}) {
            const auto found = base.calls.find(call);
            for (int nth : indexes(found == base.calls.end() ? 0 : found->second)) {
                for (const sim::Fault& fault : faults_at(call, nth)) {
                    ++runs;
                    check_run(c, clean, {fault, second});
                    if (HasFatalFailure()) {
                        return;
                    }
                }
            }
        }
    }
    std::printf("%s: %d runs with two faults\n", c.name.c_str(), runs);
}

std::vector<SweepCase> sweep_cases() {
    std::string many_lines;
    for (int i = 0; i < 10000; ++i) {
        many_lines += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\n");
    }
    std::vector<SweepCase> cases;
    for (auto [out, name] : {std::pair{Out::DISK, "ToDisk"}, {Out::PIPE, "ToPipe"}, {Out::CONSOLE, "ToConsole"}}) {
        cases.push_back({{std::string("CrAtReadEdges") + name}, cr_at_read_edges(), false, out});
        cases.push_back({{std::string("PipeWithHeldBackBytes") + name}, cr_at_read_edges(), true, out});
        cases.push_back({{std::string("TenThousandLines") + name}, many_lines, false, out});
        cases.push_back({{std::string("CtrlZAfterCrAtReadEdge") + name}, ctrl_z_after_cr_at_read_edge(), false, out});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FaultSweep, ::testing::ValuesIn(sweep_cases()), test_support::CaseName());

std::vector<SweepCase> read_edge_cases() {
    std::vector<SweepCase> cases = sweep_cases();
    std::erase_if(cases, [](const SweepCase& c) { return c.data.size() > 16384; });
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Inputs, SecondFaultSweep, ::testing::ValuesIn(read_edge_cases()), test_support::CaseName());

}  // namespace
}  // namespace lintop
