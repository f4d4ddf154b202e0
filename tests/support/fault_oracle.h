// What a run under faults must give, beside the same run without them: the
// oracle of the fault sweep, of the exhaustive check under faults and of the
// copy fuzz target. It reads the simulation's log and the stream layer's
// tables, so it is asked right after the run, before the next reset.
//
// - The output is the fault-free output or a first part of it (to a console,
//   where a refused write drops only its own piece, a subsequence of it); the
//   whole of it when the layer completes the transfer itself.
// - Status 0 only when no call lost bytes, and then for the whole output or a
//   reader that went away; status 3 when one did, with one report line on
//   standard error, naming the first loss's side and reason; standard error
//   is empty otherwise. An open or start-up failure writes no output.
// - A failed read ends the data: no read of that handle follows it (a writer
//   gone is the end of the data, which a later read may meet again). A refused
//   or short write stops a disk file or a pipe: no write to it follows.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "command/command.h"
#include "sim/sim.h"
#include "startup/process.h"
#include "stream/error.h"
#include "stream/handles.h"
#include "stream/streams.h"

namespace test_support {

struct FaultedRun {
    int status;
    std::string out;
    std::string err;
};

// Where the run's output went: standard output and standard error, and the
// file's name as the command line gave it.
struct RunEnds {
    HANDLE out;
    HANDLE err;
    bool console_out;
    std::string file_name;
};

inline bool is_prefix(const std::string& part, const std::string& whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

inline bool is_subsequence(const std::string& part, const std::string& whole) {
    size_t at = 0;
    for (char byte : part) {
        at = whole.find(byte, at);
        if (at == std::string::npos) {
            return false;
        }
        ++at;
    }
    return true;
}

// Faults that the layer completes: a read that gives only part, a failed step back.
inline bool layer_completes(const sim::Fault& fault) {
    return (fault.call == sim::Call::ReadFile && fault.take > 0) || fault.call == sim::Call::SetFilePointer;
}

inline std::string describe(const std::vector<sim::Fault>& faults) {
    std::string where;
    for (const sim::Fault& fault : faults) {
        where += std::string(where.empty() ? "" : ", with ") + sim::call_name(fault.call) + " #" +
                 std::to_string(fault.nth) + " code " + std::to_string(fault.code) + " take " +
                 std::to_string(fault.take) + (fault.from_then_on ? " from then on" : "");
    }
    return where;
}

// The report that the first call which lost bytes calls for: the file for a
// failed read, standard output for a refused or short write (a short write
// has no code and means no room); a missing standard output loses its bytes,
// if any are `due`, without a call. Empty when nothing was lost.
inline std::string first_loss_report(const RunEnds& ends, bool due) {
    const auto line = [](const std::string& side, const char* reason) {
        return side + ": " + reason + "\r\n";
    };
    for (const sim::CallRecord& r : sim::log()) {
        const bool read = r.call == sim::Call::ReadFile;
        const bool written = r.call == sim::Call::WriteFile && r.handle == ends.out;
        if ((read || written) && r.result == 0 && !sim::other_end_gone({r.call, 0, r.error})) {
            lintop::map_transfer_error(r.error);
            return line(read ? ends.file_name : "standard output", lintop::error_text(lintop::error_number));
        }
        if (written && r.result != 0 && r.transferred < r.requested) {
            return line("standard output", lintop::error_text(lintop::error_numbers::NOSPC));
        }
    }
    const lintop::TextOutput* out = lintop::standard_output();
    const bool out_missing = out != nullptr && out->handle < 0;
    return out_missing && due ? line("standard output", lintop::error_text(lintop::error_numbers::BADF)) : "";
}

// Standard error is missing, or a write to it failed or was taken in part:
// its report may then be cut.
inline bool err_lost(const RunEnds& ends) {
    const lintop::HandleRecord* record = lintop::handle_record(2);
    if (record == nullptr || record->platform_handle == INVALID_HANDLE_VALUE) {
        return true;
    }
    const std::vector<sim::CallRecord>& log = sim::log();
    return std::any_of(log.begin(), log.end(), [&](const sim::CallRecord& r) {
        return r.call == sim::Call::WriteFile && r.handle == ends.err && r.transferred < r.requested;
    });
}

// No read of the file after one failed (not for its writer going away: that
// is the end of the data, as a read of nothing is); no write to a disk file or a pipe
// after one that was refused or taken short. Returns the call broken, or "".
inline std::string call_after_stop(const RunEnds& ends) {
    HANDLE file = nullptr;
    bool read_failed = false;
    bool write_stopped = false;
    const std::vector<sim::CallRecord>& log = sim::log();
    for (size_t i = 0; i < log.size(); ++i) {
        const sim::CallRecord& r = log[i];
        file = r.call == sim::Call::CreateFileA ? r.handle : file;
        if (r.call == sim::Call::ReadFile && r.handle == file) {
            if (read_failed) {
                return "call " + std::to_string(i + 1) + ": a read after a failed read";
            }
            read_failed = r.result == 0 && !sim::other_end_gone({r.call, 0, r.error});
        }
        if (r.call == sim::Call::WriteFile && r.handle == ends.out && !ends.console_out) {
            if (write_stopped) {
                return "call " + std::to_string(i + 1) + ": a write after a refused or short write";
            }
            write_stopped = r.result == 0 || r.transferred < r.requested;
        }
    }
    return "";
}

// What the run under `faults` broke, or "". The first fault is the one under
// test; any others are faults that alone keep the output whole.
inline std::string fault_promise_broken(const std::string& clean_out, const FaultedRun& run, const RunEnds& ends,
                                        const std::vector<sim::Fault>& faults) {
    const std::string where = describe(faults) + ": ";
    const std::string report = first_loss_report(ends, !clean_out.empty());
    const bool whole = run.out == clean_out;
    const bool reader_gone = std::any_of(faults.begin(), faults.end(), sim::other_end_gone);
    if (layer_completes(faults.front()) && report.empty() &&
        !(whole && run.status == lintop::STATUS_COPIED && run.err.empty())) {
        return where + "a transfer that the layer completes changed the run";
    }
    if (!(ends.console_out ? is_subsequence(run.out, clean_out) : is_prefix(run.out, clean_out))) {
        return where + "the output is not a first part of the fault-free output";
    }
    switch (run.status) {
        case lintop::STATUS_COPIED:
            if (!report.empty() || !(whole || reader_gone)) {
                return where + "status 0 for " + std::to_string(run.out.size()) + " of " +
                       std::to_string(clean_out.size()) + " bytes" + (report.empty() ? "" : ", after a loss");
            }
            if (!run.err.empty()) {
                return where + "status 0 with a report";
            }
            break;
        case lintop::STATUS_COPY_FAILED:
            if (report.empty()) {
                return where + "status 3, but nothing was lost";
            }
            if (err_lost(ends) ? std::count(run.err.begin(), run.err.end(), '\n') > 1 : run.err != report) {
                return where + "standard error holds \"" + run.err + "\", not \"" + report + "\"";
            }
            break;
        case lintop::STATUS_OPEN_FAILED:
        case lintop::STARTUP_FAILURE_STATUS:
            if (!run.out.empty()) {
                return where + "output after status " + std::to_string(run.status);
            }
            break;
        default:
            return where + "status " + std::to_string(run.status);
    }
    const std::string stop = call_after_stop(ends);
    return stop.empty() ? "" : where + stop;
}

}  // namespace test_support
