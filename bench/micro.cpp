// Micro-benchmarks of the stream layer's byte work, in MB/s of file bytes,
// over the data sets' byte patterns: the input translation, the output
// expansion, the line-piece reader, and the copy loop (pieces read and
// written) that joins them. The platform is the stub: reads copy from
// memory, writes are thrown away.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "patterns.h"
#include "stream/handles.h"
#include "stream/streams.h"
#include "stream/translate.h"
#include "stub_platform.h"

namespace {

using lintop::HANDLE_END_MARKER;
using lintop::HandleRecord;
using lintop::STREAM_BUFFER_SIZE;
using lintop::STREAM_END_SEEN;
using lintop::STREAM_ERROR_SEEN;
using lintop::TextInput;

constexpr size_t DATA_SIZE = size_t{4} << 20;
constexpr int32_t STDOUT_HANDLE = 1;

struct Prepared {
    std::vector<uint8_t> bytes;
    std::string name;
    int32_t handle = -1;
    TextInput* input = nullptr;
};

Prepared prepared[std::size(bench::ALL_PATTERNS)];

// As the process entry does: handle table, standard handles and streams;
// then each pattern as a file, opened once as a handle and once as a stream.
void set_up() {
    lintop::provide_handle_group();
    lintop::classify_standard_handles();
    lintop::provide_standard_streams();
    for (size_t i = 0; i < std::size(bench::ALL_PATTERNS); ++i) {
        Prepared& data = prepared[i];
        data.bytes.resize(DATA_SIZE);
        bench::PatternSource(bench::ALL_PATTERNS[i], DATA_SIZE).fill(data.bytes.data(), DATA_SIZE);
        data.name = std::string(bench::pattern_name(bench::ALL_PATTERNS[i]));
        bench::add_stub_file(data.name.c_str(), data.bytes.data(), DATA_SIZE);
        data.handle = lintop::open_handle(data.name.c_str());
        data.input = lintop::open_text_input(data.name.c_str());
    }
}

// Back to the start of the file, with nothing buffered and no end seen.
void rewind(int32_t handle) {
    HandleRecord* record = lintop::handle_record(handle);
    record->attributes = static_cast<uint8_t>(record->attributes & ~HANDLE_END_MARKER);
    bench::rewind_stub_file(record->platform_handle);
}

void rewind(TextInput* input) {
    rewind(input->handle);
    input->left = 0;
    input->state &= ~(STREAM_END_SEEN | STREAM_ERROR_SEEN);
}

void count_bytes(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(DATA_SIZE));
}

// Reads of 4096 bytes, each translated in place, as read_handle makes them.
void translate_reads(benchmark::State& state, const Prepared* data) {
    HandleRecord* record = lintop::handle_record(data->handle);
    uint8_t buffer[STREAM_BUFFER_SIZE];
    for (auto _ : state) {
        rewind(data->handle);
        DWORD received = 0;
        while ((record->attributes & HANDLE_END_MARKER) == 0 &&
               ReadFile(record->platform_handle, buffer, STREAM_BUFFER_SIZE, &received, nullptr) && received > 0) {
            benchmark::DoNotOptimize(lintop::translate_input(data->handle, buffer, received));
        }
    }
    count_bytes(state);
}

// Write-outs of 4096 bytes, as a full output buffer sends them.
void expand_writes(benchmark::State& state, const Prepared* data) {
    for (auto _ : state) {
        for (size_t at = 0; at < DATA_SIZE; at += STREAM_BUFFER_SIZE) {
            benchmark::DoNotOptimize(
                lintop::write_translated(STDOUT_HANDLE, data->bytes.data() + at, STREAM_BUFFER_SIZE));
        }
    }
    count_bytes(state);
}

// The line-piece reader alone, or with each piece written (the copy loop).
void take_pieces(benchmark::State& state, const Prepared* data, bool write) {
    uint8_t line[4096];
    for (auto _ : state) {
        rewind(data->input);
        int32_t length = 0;
        while (lintop::read_line_piece(data->input, line, sizeof line, &length) != nullptr) {
            if (write) {
                lintop::write_text(lintop::standard_output(), line, static_cast<uint32_t>(length));
            } else {
                benchmark::DoNotOptimize(length);
            }
        }
    }
    count_bytes(state);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    set_up();
    for (const Prepared& data : prepared) {
        benchmark::RegisterBenchmark(("translate_input/" + data.name).c_str(), translate_reads, &data);
        benchmark::RegisterBenchmark(("write_translated/" + data.name).c_str(), expand_writes, &data);
        benchmark::RegisterBenchmark(("read_line_piece/" + data.name).c_str(), take_pieces, &data, false);
        benchmark::RegisterBenchmark(("copy_loop/" + data.name).c_str(), take_pieces, &data, true);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
