// The command over the simulation on any file contents, read sizes, kinds of
// handle and a fault plan, against a model of the text rules and the fault
// oracle. Without faults the output is the text model's; with them, the run
// keeps the promise under faults (fault_oracle.h) beside the fault-free run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "command/command.h"
#include "fault_oracle.h"
#include "sim/sim.h"
#include "startup/process.h"
#include "stream/handles.h"
#include "stream/streams.h"
#include "text_model.h"

namespace {

enum class Kind : uint8_t { DISK, PIPE, CONSOLE };

// The input begins with these control bytes; the file contents follow.
constexpr size_t CONTROL_BYTES = 10;

void check(bool good) {
    if (!good) {
        __builtin_trap();
    }
}

struct Setup {
    Kind input;
    Kind output;
    bool writer_stays;    // a pipe's writer keeps it open once the data is read
    int32_t count;        // 0: no count option
    size_t console_line;  // a console's scripted reads are cut to this length (0: whole lines)
    std::string data;
    std::vector<sim::Fault> read_sizes;  // partial reads, which the layer completes
    std::vector<sim::Fault> faults;      // the planned fault first, then a partial write
};

Setup setup_from(const uint8_t* control, const std::string& contents) {
    Setup s{};
    s.input = static_cast<Kind>(control[0] % 3);
    s.output = static_cast<Kind>(control[0] / 3 % 3);
    s.writer_stays = control[0] / 9 % 2 == 1;
    s.count = control[1];
    for (int copy = 0; copy <= control[2] % 16; ++copy) {
        s.data += contents;  // long lines and many read edges from a short input
    }
    s.console_line = control[2] / 16;
    // The first 16 reads take four sizes by turns, the later ones the first size.
    for (int n = 1; n <= 16; ++n) {
        if (control[3 + n % 4] != 0) {
            s.read_sizes.push_back({sim::Call::ReadFile, n, 0, false, control[3 + n % 4]});
        }
    }
    if (control[3] != 0) {
        s.read_sizes.push_back({sim::Call::ReadFile, 17, 0, true, control[3]});
    }
    constexpr sim::Call CALLS[] = {sim::Call::ReadFile,    sim::Call::WriteFile,   sim::Call::SetFilePointer,
                                   sim::Call::HeapAlloc,   sim::Call::CreateFileA, sim::Call::GetFileType,
                                   sim::Call::GetStdHandle};
    constexpr DWORD CODES[] = {ERROR_GEN_FAILURE,    ERROR_ACCESS_DENIED,    ERROR_DISK_FULL,
                               ERROR_NO_DATA,        ERROR_BROKEN_PIPE,      ERROR_INVALID_PARAMETER,
                               ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY};
    // The plan. Bits 0-2: the call that fails (1 to 7; 0: none), 3-5: the
    // code, 6: from then on, 7: a read or a write takes only part instead,
    // control[7] / 8 * 37 bytes (one more for a read: none is the end of the
    // data). The call's number is 1 + control[9].
    const uint8_t failure = control[8];
    const int which = failure & 7;
    // On a console a Ctrl-Z ends only its read, so a read taken in part, or
    // the fallback buffer's short reads after a failed allocation, change the
    // output there by right.
    const bool reads_shape_output = s.input == Kind::CONSOLE && s.data.find('\x1a') != std::string::npos;
    const sim::Call call = CALLS[which == 0 ? 0 : which - 1];
    const bool part = (failure & 0x80) != 0 && (call == sim::Call::ReadFile || call == sim::Call::WriteFile);
    const bool shapes_reads = call == sim::Call::HeapAlloc || (part && call == sim::Call::ReadFile);
    if (which >= 1 && !(shapes_reads && reads_shape_output)) {
        const DWORD code = CODES[failure >> 3 & 7];
        // A read that gives nothing is the end of the data, no fault.
        const int64_t take = control[7] / 8 * 37 + (call == sim::Call::ReadFile ? 1 : 0);
        // A writer that has gone stays gone.
        const bool from_then_on = (failure & 0x40) != 0 || (!part && code == ERROR_BROKEN_PIPE);
        s.faults.push_back({call, 1 + control[9], part ? 0 : code, from_then_on, part ? take : -1});
    }
    // Beside it, a write that takes only part.
    if (control[7] != 0) {
        s.faults.push_back({sim::Call::WriteFile, 1 + control[7] % 8, 0, false, control[7] / 8 * 37});
    }
    return s;
}

// A console reads one scripted line at a time: the data cut after each LF.
std::vector<std::string> console_script(const Setup& s) {
    std::vector<std::string> lines(1);
    for (char c : s.data) {
        if (lines.back().size() == s.console_line && s.console_line != 0) {
            lines.emplace_back();
        }
        lines.back() += c;
        if (c == '\n') {
            lines.emplace_back();
        }
    }
    return lines;
}

HANDLE make(Kind kind, const std::string& data, const std::vector<std::string>& script, bool writer_closed) {
    switch (kind) {
        case Kind::DISK:
            return sim::make_disk(data);
        case Kind::PIPE:
            return sim::make_pipe(data, writer_closed);
        case Kind::CONSOLE:
            break;
    }
    return sim::make_console(script);
}

struct Outcome {
    test_support::FaultedRun run;
    test_support::RunEnds ends;
};

// The process as start-up runs it: tables, standard handles, driver, exit-time flush.
Outcome run(const Setup& s, bool with_faults) {
    sim::reset();
    lintop::reset_stream_layer();
    sim::name_file("f", make(s.input, s.data, console_script(s), !s.writer_stays));
    const HANDLE out = make(s.output, "", {}, true);
    const HANDLE err = sim::make_disk();
    sim::set_std_handle(STD_INPUT_HANDLE, sim::make_console());
    sim::set_std_handle(STD_OUTPUT_HANDLE, out);
    sim::set_std_handle(STD_ERROR_HANDLE, err);
    // The first fault that matches a call wins: the plan before read sizes.
    if (with_faults) {
        for (const sim::Fault& fault : s.faults) {
            sim::plan(fault);
        }
    }
    if (s.input != Kind::CONSOLE) {
        for (const sim::Fault& fault : s.read_sizes) {
            sim::plan(fault);
        }
    }
    std::vector<std::string> args{"lintop", "-" + std::to_string(s.count), "f"};
    if (s.count == 0) {
        args.erase(args.begin() + 1);
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int status = lintop::run_process(static_cast<int>(args.size()), argv.data());
    return {{status, sim::written(out), sim::written(err)}, {out, err, s.output == Kind::CONSOLE, "f"}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < CONTROL_BYTES) {
        return 0;
    }
    const Setup s =
        setup_from(data, std::string(reinterpret_cast<const char*>(data) + CONTROL_BYTES, size - CONTROL_BYTES));
    const Outcome clean = run(s, false);
    check(clean.run.status == lintop::STATUS_COPIED && clean.run.err.empty());
    // Where a console's Ctrl-Z ends only its own read, the output depends on
    // the reads: the run without faults is the reference there.
    if (s.input != Kind::CONSOLE || s.data.find('\x1a') == std::string::npos) {
        check(clean.run.out == test_support::model_output(s.data, s.count));
    }
    if (!s.faults.empty()) {
        const Outcome faulty = run(s, true);
        check(test_support::fault_promise_broken(clean.run.out, faulty.run, faulty.ends, s.faults).empty());
    }
    sim::reset();
    return 0;
}
