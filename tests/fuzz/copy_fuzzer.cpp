// The command over the simulation on any file contents, read sizes, kinds of
// handle and faults, against a model of the text rules. Without faults the
// output is the text model's; with them, a prefix of it (a subsequence on a
// console, where a refused write drops only its own bytes).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "command/command.h"
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
    std::vector<sim::Fault> faults;      // a failure and a partial write
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
    constexpr sim::Call CALLS[] = {sim::Call::ReadFile, sim::Call::WriteFile, sim::Call::SetFilePointer,
                                   sim::Call::HeapAlloc};
    constexpr DWORD CODES[] = {ERROR_GEN_FAILURE,    ERROR_ACCESS_DENIED,    ERROR_DISK_FULL,
                               ERROR_NO_DATA,        ERROR_BROKEN_PIPE,      ERROR_INVALID_PARAMETER,
                               ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY};
    // Bits 0-2: the call that fails (1 to 4), 3-5: the code, 6: from then on.
    const uint8_t failure = control[8];
    const int which = failure & 7;
    // On a console a Ctrl-Z ends only its read, so the fallback buffer's short
    // reads after a failed allocation change the output there by right.
    const bool reads_shape_output = s.input == Kind::CONSOLE && s.data.find('\x1a') != std::string::npos;
    if (which >= 1 && which <= 4 && !(CALLS[which - 1] == sim::Call::HeapAlloc && reads_shape_output)) {
        const DWORD code = CODES[failure >> 3 & 7];
        // A writer that has gone stays gone.
        const bool from_then_on = (failure & 0x40) != 0 || code == ERROR_BROKEN_PIPE;
        s.faults.push_back({CALLS[which - 1], 1 + control[9], code, from_then_on});
    }
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
    int status;  // -1: the start-up found no memory
    std::string out;
};

// The process as start-up runs it: tables, standard handles, driver, exit-time flush.
Outcome run(const Setup& s, bool with_faults) {
    sim::reset();
    lintop::reset_stream_layer();
    sim::name_file("f", make(s.input, s.data, console_script(s), !s.writer_stays));
    const HANDLE out = make(s.output, "", {}, true);
    sim::set_std_handle(STD_INPUT_HANDLE, sim::make_console());
    sim::set_std_handle(STD_OUTPUT_HANDLE, out);
    sim::set_std_handle(STD_ERROR_HANDLE, sim::make_disk());
    // The first fault that matches a call wins: failures before read sizes.
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
    Outcome outcome{-1, {}};
    if (lintop::provide_handle_group()) {
        lintop::classify_standard_handles();
        if (lintop::provide_standard_streams()) {
            outcome.status = lintop::exit_sequence(lintop::command_main(static_cast<int>(args.size()), argv.data()));
        }
    }
    outcome.out = sim::written(out);
    return outcome;
}

bool is_prefix(const std::string& part, const std::string& whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

bool is_subsequence(const std::string& part, const std::string& whole) {
    size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string::npos) {
            return false;
        }
        ++at;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < CONTROL_BYTES) {
        return 0;
    }
    const Setup s =
        setup_from(data, std::string(reinterpret_cast<const char*>(data) + CONTROL_BYTES, size - CONTROL_BYTES));
    const Outcome clean = run(s, false);
    check(clean.status == lintop::STATUS_COPIED);
    // Where a console's Ctrl-Z ends only its own read, the output depends on
    // the reads: the run without faults is the reference there.
    std::string expected = clean.out;
    if (s.input != Kind::CONSOLE || s.data.find('\x1a') == std::string::npos) {
        expected = test_support::model_output(s.data, s.count);
        check(clean.out == expected);
    }
    if (!s.faults.empty()) {
        const Outcome faulty = run(s, true);
        check(faulty.status == -1 || faulty.status == lintop::STATUS_COPIED ||
              faulty.status == lintop::STATUS_OPEN_FAILED || faulty.status == lintop::STATUS_COPY_FAILED);
        check(s.output == Kind::CONSOLE ? is_subsequence(faulty.out, expected) : is_prefix(faulty.out, expected));
        // Success is claimed only for the whole output, or when the other end
        // of a pipe went away.
        check(faulty.status != lintop::STATUS_COPIED || faulty.out == expected ||
              std::any_of(s.faults.begin(), s.faults.end(), sim::other_end_gone));
    }
    sim::reset();
    return 0;
}
