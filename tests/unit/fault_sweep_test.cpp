// The fault sweep: each platform call of a run fails in turn (once, and from
// then on, with a code of each class) or transfers only part, and the bytes
// written must still be the fault-free output or a prefix of it.
#include <algorithm>
#include <map>

#include "fixture.h"
#include "startup/process.h"

namespace lintop {
namespace {

enum class Out { DISK, PIPE, CONSOLE };

struct SweepCase {
    std::string name;
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

struct Outcome {
    int status;
    std::string out;
    std::map<sim::Call, size_t> calls;
};

// One process over the simulation, start-up to exit flush, with `fault` planned.
Outcome run_once(const SweepCase& c, const sim::Fault* fault) {
    sim::reset();
    reset_stream_layer();
    HANDLE out = c.out == Out::DISK ? sim::make_disk() : c.out == Out::PIPE ? sim::make_pipe() : sim::make_console();
    sim::set_std_handle(STD_INPUT_HANDLE, sim::make_console());
    sim::set_std_handle(STD_OUTPUT_HANDLE, out);
    sim::set_std_handle(STD_ERROR_HANDLE, sim::make_disk());
    sim::name_file("f", c.pipe_input ? sim::make_pipe(c.data) : sim::make_disk(c.data));
    if (fault != nullptr) {
        sim::plan(*fault);
    }
    std::string args[] = {"lintop", "-100000", "f"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), nullptr};
    Outcome outcome{run_process(3, argv), sim::written(out), {}};
    for (const sim::CallRecord& r : sim::log()) {
        ++outcome.calls[r.call];
    }
    return outcome;
}

bool is_prefix(const std::string& part, const std::string& whole) {
    return whole.compare(0, part.size(), part) == 0;
}

bool is_subsequence(const std::string& part, const std::string& whole) {
    auto at = whole.begin();
    for (char byte : part) {
        at = std::find(at, whole.end(), byte);
        if (at == whole.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

// The faults tried at each call: failures with a code of each class, and
// partial transfers. A partial read is one that the layer completes. A read
// that gives nothing is the end of a file, and a file that goes on after its
// end has changed: that is no fault, and no rule could hide it.
std::vector<sim::Fault> faults_at(sim::Call call, int nth) {
    std::vector<sim::Fault> faults;
    for (DWORD code : {ERROR_ACCESS_DENIED, ERROR_BROKEN_PIPE, ERROR_GEN_FAILURE, ERROR_NOT_ENOUGH_MEMORY}) {
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

// The layer completes these: the output must be the fault-free output.
bool transparent(const sim::Fault& fault) {
    return (fault.call == sim::Call::ReadFile && fault.take > 0) || fault.call == sim::Call::SetFilePointer;
}

void PrintTo(const SweepCase& c, std::ostream* os) {
    *os << c.name;
}

class FaultSweep : public SimTest, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(FaultSweep, KeepsTheOutputAPrefixOfTheFaultFreeOutput) {
    const SweepCase& c = GetParam();
    const Outcome clean = run_once(c, nullptr);
    ASSERT_EQ(clean.status, STATUS_COPIED);
    ASSERT_FALSE(clean.out.empty());
    int runs = 0;
    for (sim::Call call : {sim::Call::CreateFileA, sim::Call::ReadFile, sim::Call::WriteFile, sim::Call::SetFilePointer,
                           sim::Call::GetFileType, sim::Call::GetStdHandle, sim::Call::HeapAlloc}) {
        const auto found = clean.calls.find(call);
        for (int nth : indexes(found == clean.calls.end() ? 0 : found->second)) {
            for (const sim::Fault& fault : faults_at(call, nth)) {
                ++runs;
                const Outcome faulty = run_once(c, &fault);
                const std::string where = std::string(sim::call_name(call)) + " #" + std::to_string(nth) + " code " +
                                          std::to_string(fault.code) + " take " + std::to_string(fault.take) +
                                          (fault.from_then_on ? " from then on" : "");
                const bool opened = faulty.status == STATUS_COPIED;
                EXPECT_TRUE(opened || faulty.status == STATUS_OPEN_FAILED || faulty.status == STARTUP_FAILURE_STATUS)
                    << where << ": status " << faulty.status;
                if (transparent(fault)) {
                    ASSERT_EQ(faulty.out, clean.out) << where;
                } else if (c.out == Out::CONSOLE) {
                    // A refused console write goes unseen and the next call writes afresh.
                    ASSERT_TRUE(is_subsequence(faulty.out, clean.out)) << where;
                } else {
                    ASSERT_TRUE(is_prefix(faulty.out, clean.out)) << where << ": " << faulty.out.size() << " bytes";
                }
            }
        }
    }
    RecordProperty("fault_runs", runs);
    std::printf("%s: %d fault runs\n", c.name.c_str(), runs);
}

std::vector<SweepCase> sweep_cases() {
    std::string many_lines;
    for (int i = 0; i < 10000; ++i) {
        many_lines += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\n");
    }
    std::vector<SweepCase> cases;
    for (auto [out, name] : {std::pair{Out::DISK, "ToDisk"}, {Out::PIPE, "ToPipe"}, {Out::CONSOLE, "ToConsole"}}) {
        cases.push_back({std::string("CrAtReadEdges") + name, cr_at_read_edges(), false, out});
        cases.push_back({std::string("PipeWithHeldBackBytes") + name, cr_at_read_edges(), true, out});
        cases.push_back({std::string("TenThousandLines") + name, many_lines, false, out});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FaultSweep, ::testing::ValuesIn(sweep_cases()), test_support::CaseName());

}  // namespace
}  // namespace lintop
