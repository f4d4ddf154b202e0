// Every short file over the bytes that the text rules tell apart (an ordinary
// byte, CR, LF, Ctrl-Z and NUL), copied by the whole process over the
// simulation with reads of 1, 2, 3 and 4096 bytes and counts of 1, 2 and the
// default: the output, the status and the input's call sequence against the
// text model. Short files with small reads reach every read edge that long
// ones do. Then the shorter of them again under every fault that one call of
// the run can meet, against the fault oracle.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "case_name.h"
#include "command/command.h"
#include "exhaustive.h"
#include "fault_oracle.h"
#include "sim/sim.h"
#include "startup/process.h"
#include "stream/streams.h"
#include "text_model.h"

namespace lintop {
namespace {

// The bound comes from the build (tests/CMakeLists.txt).
constexpr size_t MAX_LENGTH = EXHAUSTIVE_COPY_LENGTH;
constexpr size_t MAX_FAULT_LENGTH = EXHAUSTIVE_FAULT_LENGTH;
constexpr char BYTES[] = {'a', '\r', '\n', '\x1a', '\0'};
constexpr std::string_view ALPHABET(BYTES, sizeof BYTES);
constexpr int64_t READ_LIMITS[] = {1, 2, 3, STREAM_BUFFER_SIZE};
constexpr int32_t COUNTS[] = {1, 2, 0};  // 0: no count option, so the default

enum class Kind : uint8_t { DISK, PIPE, CONSOLE };

struct Ends {
    const char* name;
    Kind input;
    Kind output;
};

struct CopyRun {
    int64_t read_limit;
    int32_t count;
};

HANDLE make(Kind kind, const std::string& data) {
    switch (kind) {
        case Kind::DISK:
            return sim::make_disk(data);
        case Kind::PIPE:
            return sim::make_pipe(data);
        case Kind::CONSOLE:
            break;
    }
    return sim::make_console();
}

struct Outcome {
    test_support::FaultedRun run;
    test_support::RunEnds ends;
};

// One process over the simulation, start-up to exit flush, as the platform
// entry runs it, with `fault` planned (a call of no kind: none).
Outcome copy_once(const std::string& data, const Ends& ends, const CopyRun& run, const sim::Fault& fault = {}) {
    sim::reset();
    reset_stream_layer();
    sim::name_file("f", make(ends.input, data));
    const HANDLE out = make(ends.output, "");
    const HANDLE err = sim::make_disk();
    sim::set_std_handle(STD_INPUT_HANDLE, sim::make_console());
    sim::set_std_handle(STD_OUTPUT_HANDLE, out);
    sim::set_std_handle(STD_ERROR_HANDLE, err);
    // Planned first, so that it wins over the read limit at its call.
    if (fault.nth > 0) {
        sim::plan(fault);
    }
    if (run.read_limit < STREAM_BUFFER_SIZE) {
        sim::plan({sim::Call::ReadFile, 1, 0, true, run.read_limit});
    }
    std::string args[] = {"lintop", "-" + std::to_string(run.count), "f"};
    std::vector<char*> argv{args[0].data(), args[1].data(), args[2].data(), nullptr};
    if (run.count == 0) {
        argv.erase(argv.begin() + 1);
    }
    const int status = run_process(static_cast<int>(argv.size() - 1), argv.data());
    return {{status, sim::written(out), sim::written(err)}, {out, err, ends.output == Kind::CONSOLE, "f"}};
}

// The reading rules on the input's calls: a one-byte peek comes right after a
// read whose bytes (a held-back byte first) end in CR and hold no Ctrl-Z, and
// only there; no read follows one whose bytes held a Ctrl-Z (the end marker);
// a step back comes only right after a peek on a disk file that gave a byte.
// Returns the rule broken and where, or "".
std::string broken_read_rule(Kind input) {
    const std::vector<sim::CallRecord>& log = sim::log();
    HANDLE file = nullptr;
    bool peek_due = false;
    bool ended = false;
    bool after_peek = false;
    std::string held;
    for (size_t i = 0; i <= log.size(); ++i) {
        const auto broken = [&](const char* rule) {
            return "call " + std::to_string(i + 1) + ": " + rule;
        };
        if (i == log.size()) {
            return peek_due ? broken("no peek after a read that ends in CR") : "";
        }
        const sim::CallRecord& r = log[i];
        file = r.call == sim::Call::CreateFileA ? r.handle : file;
        const bool on_file = file != nullptr && r.handle == file;
        const bool read = on_file && r.call == sim::Call::ReadFile;
        const bool peek = read && r.requested == 1;
        if (peek != peek_due) {
            return broken(peek ? "a peek after a read that does not end in CR"
                               : "no peek after a read that ends in CR");
        }
        if (on_file && r.call == sim::Call::SetFilePointer && !(after_peek && input == Kind::DISK)) {
            return broken("a step back that no peek asked for");
        }
        peek_due = false;
        after_peek = peek && r.transferred == 1;
        if (read && ended) {
            return broken("a read after the end marker");
        }
        if (peek) {
            held = input == Kind::PIPE && r.text != "\n" ? r.text : "";
        } else if (read) {
            // A held-back byte is delivered also when the pipe behind it has closed.
            const std::string bytes = held + r.text;
            held.clear();
            ended = bytes.find('\x1a') != std::string::npos;
            peek_due = !ended && !bytes.empty() && bytes.back() == '\r';
        }
    }
    return "";
}

// What is wrong with one run of `data`, or "".
std::string copy_fault(const std::string& data, const Ends& ends, const CopyRun& run, const std::string& expected) {
    const test_support::FaultedRun outcome = copy_once(data, ends, run).run;
    if (outcome.status != STATUS_COPIED) {
        return "status " + std::to_string(outcome.status);
    }
    if (!outcome.err.empty()) {
        return "standard error holds " + test_support::hex(outcome.err);
    }
    const std::string difference = test_support::first_difference(expected, outcome.out);
    return difference.empty() ? broken_read_rule(ends.input) : "output: " + difference;
}

void PrintTo(const Ends& ends, std::ostream* os) {
    *os << ends.name;
}

class CopyExhaustive : public testing::TestWithParam<Ends> {};

TEST_P(CopyExhaustive, EveryShortFileAsTheTextRulesSay) {
    const Ends& ends = GetParam();
    int64_t files = 0;
    int64_t cases = 0;
    for (std::string data; data.size() <= MAX_LENGTH; test_support::next_input(data, ALPHABET)) {
        ++files;
        for (int32_t count : COUNTS) {
            const std::string expected = test_support::model_output(data, count);
            for (int64_t limit : READ_LIMITS) {
                ++cases;
                const std::string fault = copy_fault(data, ends, {limit, count}, expected);
                if (!fault.empty()) {
                    sim::reset();
                    FAIL() << "smallest failing input: " << test_support::hex(data) << ", " << ends.name
                           << ", reads of at most " << limit << " bytes, count " << count << ": " << fault;
                }
            }
        }
    }
    sim::reset();
    RecordProperty("cases", std::to_string(cases));
    std::printf(
        "exhaustive: copy %s: %lld cases: %lld files of 0 to %zu bytes, each read 1, 2, 3 and 4096 bytes "
        "at a time with counts 1, 2 and the default\n",
        ends.name, static_cast<long long>(cases), static_cast<long long>(files), MAX_LENGTH);
}

// The faults that one call can meet: a failure with a code of each class that
// the layer tells apart (the other end gone, no room, access denied, any
// other), and for a read or a write a part taken, or for a write nothing
// taken; each once and from then on. A read that gives nothing is the end of
// the file, no fault. Start-up's information and the exit cannot fail.
std::vector<sim::Fault> faults_at(const sim::CallRecord& call, int nth) {
    std::vector<sim::Fault> faults;
    const auto both = [&](DWORD code, int64_t take) {
        faults.push_back({call.call, nth, code, false, take});
        faults.push_back({call.call, nth, code, true, take});
    };
    switch (call.call) {
        case sim::Call::GetStartupInfoA:
        case sim::Call::ExitProcess:
            return faults;
        case sim::Call::HeapAlloc:
            both(ERROR_NOT_ENOUGH_MEMORY, -1);
            return faults;
        default:
            break;
    }
    for (DWORD code : {ERROR_BROKEN_PIPE, ERROR_DISK_FULL, ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE}) {
        both(code, -1);
    }
    // A read of one byte where more were asked splits the file's bytes
    // unlike the read limits; a write of all but its last byte splits its
    // last CR LF.
    if (call.call == sim::Call::ReadFile && call.requested > 1) {
        both(0, 1);
    }
    if (call.call == sim::Call::WriteFile) {
        both(0, 0);
        if (call.requested > 1) {
            both(0, call.requested - 1);
        }
    }
    return faults;
}

TEST_P(CopyExhaustive, EveryShortFileUnderEveryFaultOfEachCall) {
    const Ends& ends = GetParam();
    int64_t files = 0;
    int64_t faulted = 0;
    for (std::string data; data.size() <= MAX_FAULT_LENGTH; test_support::next_input(data, ALPHABET)) {
        ++files;
        for (int32_t count : {1, 0}) {
            for (int64_t limit : {int64_t{1}, int64_t{STREAM_BUFFER_SIZE}}) {
                const CopyRun run{limit, count};
                const std::string clean = copy_once(data, ends, run).run.out;
                const std::vector<sim::CallRecord> calls = sim::log();
                std::map<sim::Call, int> nth;
                for (const sim::CallRecord& call : calls) {
                    for (const sim::Fault& fault : faults_at(call, ++nth[call.call])) {
                        ++faulted;
                        const Outcome faulty = copy_once(data, ends, run, fault);
                        const std::string broken =
                            test_support::fault_promise_broken(clean, faulty.run, faulty.ends, {fault});
                        if (!broken.empty()) {
                            sim::reset();
                            FAIL() << "smallest failing input: " << test_support::hex(data) << ", " << ends.name
                                   << ", reads of at most " << limit << " bytes, count " << count << ", " << broken;
                        }
                    }
                }
            }
        }
    }
    sim::reset();
    RecordProperty("faulted_runs", std::to_string(faulted));
    std::printf(
        "exhaustive: copy %s under faults: %lld faulted runs: %lld files of 0 to %zu bytes, each read 1 and 4096 "
        "bytes at a time with counts 1 and the default, every platform call of each run failing in turn\n",
        ends.name, static_cast<long long>(faulted), static_cast<long long>(files), MAX_FAULT_LENGTH);
}

const Ends ENDS[] = {
    {"DiskToDisk", Kind::DISK, Kind::DISK},       {"DiskToPipe", Kind::DISK, Kind::PIPE},
    {"DiskToConsole", Kind::DISK, Kind::CONSOLE}, {"PipeToDisk", Kind::PIPE, Kind::DISK},
    {"PipeToPipe", Kind::PIPE, Kind::PIPE},       {"PipeToConsole", Kind::PIPE, Kind::CONSOLE},
};

INSTANTIATE_TEST_SUITE_P(Exhaustive, CopyExhaustive, testing::ValuesIn(ENDS), test_support::CaseName());

}  // namespace
}  // namespace lintop
