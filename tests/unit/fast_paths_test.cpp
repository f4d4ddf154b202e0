// The block scans of the text-mode translation against byte-at-a-time
// references: a CR or Ctrl-Z at every position of a read, an LF at each
// edge of an expanded chunk, and a short write at every byte of a chunk.
#include <algorithm>
#include <cstddef>
#include <memory>

#include "fixture.h"
#include "stream/byte_runs.h"

namespace lintop {
namespace {

// Not the stream's 4096: a read of this size already puts a marker at every
// offset from the block scans' widest steps and alignments.
constexpr uint32_t READ_SIZE = 520;

// Bytes that are neither CR, LF nor Ctrl-Z, different along the run, so
// that a run moved to the wrong place shows.
std::string filler(size_t size, size_t lf_every = 0) {
    std::string bytes(size, 'x');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = lf_every != 0 && i % lf_every == lf_every - 1 ? '\n' : static_cast<char>('A' + i % 26);
    }
    return bytes;
}

std::string with_lfs(size_t size, const std::vector<size_t>& at) {
    std::string bytes = filler(size);
    for (size_t i : at) {
        bytes[i] = '\n';
    }
    return bytes;
}

// The whole data as read in text mode: CR LF is LF, a Ctrl-Z ends it.
std::string reference_input(const std::string& data) {
    std::string text;
    for (size_t i = 0; i < data.size() && data[i] != '\x1a'; ++i) {
        const bool pair = data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
        text += pair ? '\n' : data[i];
        i += pair ? 1 : 0;
    }
    return text;
}

// The bytes sent, where each source byte's translated form ends in them,
// and the sizes of the chunks.
struct Expansion {
    std::string bytes;
    std::vector<size_t> ends;
    std::vector<int64_t> chunks;
};

Expansion reference_output(const std::string& source) {
    Expansion expansion;
    int64_t chunk = 0;
    for (char byte : source) {
        if (byte == '\n') {
            expansion.bytes += '\r';
        }
        expansion.bytes += byte;
        chunk += byte == '\n' ? 2 : 1;
        expansion.ends.push_back(expansion.bytes.size());
        if (chunk >= EXPANSION_BUFFER_SIZE - 1) {
            expansion.chunks.push_back(chunk);
            chunk = 0;
        }
    }
    if (chunk > 0) {
        expansion.chunks.push_back(chunk);
    }
    return expansion;
}

// The passes of a sweep share one fixture: each opens a file of its own and
// looks only at the writes it added.
class FastPaths : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        out = sim::make_disk();
        start(sim::make_console(), out, sim::make_disk());
    }

    // Every read of the file until the end of the data, put together.
    static std::string read_all(HANDLE file) {
        sim::name_file("f", file);
        const int32_t handle = open_handle("f");
        std::string text;
        std::vector<uint8_t> buffer(READ_SIZE);
        int32_t got = 0;
        while ((got = read_handle(handle, buffer.data(), READ_SIZE)) > 0) {
            text.append(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(got));
        }
        EXPECT_EQ(got, 0);
        return text;
    }

    static int32_t write(const std::string& source) {
        return write_handle(1, reinterpret_cast<const uint8_t*>(source.data()), static_cast<uint32_t>(source.size()));
    }

    // The bytes taken and the sizes asked by the writes (all to `out`) since
    // the last call, from the log's new entries: a sweep's log grows long.
    std::pair<std::string, std::vector<int64_t>> new_writes() {
        std::pair<std::string, std::vector<int64_t>> added;
        const std::vector<sim::CallRecord>& log = sim::log();
        for (; log_seen < log.size(); ++log_seen) {
            if (log[log_seen].call == sim::Call::WriteFile) {
                ++writes_made;
                added.first += log[log_seen].text;
                added.second.push_back(log[log_seen].requested);
            }
        }
        return added;
    }

    HANDLE out = nullptr;
    size_t log_seen = 0;
    int writes_made = 0;
};

// The driver's pieces stored into the output buffer: lines of 1 to 130 bytes
// end pieces at the 4096-byte write-out edge (the lengths dividing 4096), a
// byte short of it, a byte past it, and cross it at many offsets; lines
// longer than the driver's buffer come in several pieces.
class LineLengths : public FastPaths, public ::testing::WithParamInterface<const char*> {};

TEST_P(LineLengths, GoOutAsTheReference) {
    std::vector<size_t> lengths = {4094, 4095, 4096, 4097, 6000};
    for (size_t length = 1; length <= 130; ++length) {
        lengths.push_back(length);
    }
    for (size_t length : lengths) {
        std::string data;
        while (data.size() < STREAM_BUFFER_SIZE + 2 * length) {
            data += filler(length - 1) + GetParam();
        }
        const std::string text = reference_input(data);
        std::vector<int64_t> sizes;
        for (size_t at = 0; at < text.size(); at += STREAM_BUFFER_SIZE) {
            const Expansion write_out = reference_output(text.substr(at, STREAM_BUFFER_SIZE));
            sizes.insert(sizes.end(), write_out.chunks.begin(), write_out.chunks.end());
        }
        sim::name_file("f", sim::make_disk(data));
        ASSERT_EQ(run({"-999999", "f"}), STATUS_COPIED);
        const auto [bytes, write_sizes] = new_writes();
        ASSERT_EQ(bytes, reference_output(text).bytes) << "lines of " << length;
        ASSERT_EQ(write_sizes, sizes) << "lines of " << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Ends, LineLengths, ::testing::Values("\n", "\r\n"), test_support::CaseName());

struct InputCase : test_support::NamedCase {
    std::string marker;  // placed at every position of the first read
    std::string before;  // at the start of the data, ahead of the marker
};

class InputMarker : public FastPaths, public ::testing::WithParamInterface<InputCase> {};

TEST_P(InputMarker, AtEveryPositionReadsAsTheReference) {
    const InputCase& c = GetParam();
    for (size_t at = c.before.size(); at <= READ_SIZE; ++at) {
        std::string data = c.before + filler(READ_SIZE + 8 - c.before.size());
        data.insert(at, c.marker);
        const std::string expected = reference_input(data);
        ASSERT_EQ(read_all(sim::make_disk(data)), expected) << "disk, marker at " << at;
        ASSERT_EQ(read_all(sim::make_pipe(data)), expected) << "pipe, marker at " << at;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, InputMarker,
                         ::testing::Values(InputCase{"Cr", "\r", ""}, InputCase{"CrLf", "\r\n", ""},
                                           InputCase{"CtrlZ", "\x1a", ""}, InputCase{"CrCrLf", "\r\r\n", ""},
                                           InputCase{"CrCtrlZ", "\r\x1a", ""}, InputCase{"LfCr", "\n\r", ""},
                                           InputCase{"CrAfterARemoval", "\r", "a\r\n"},
                                           InputCase{"CrLfAfterARemoval", "\r\n", "\r\nb"},
                                           InputCase{"CtrlZAfterARemoval", "\x1a", "a\r\n"}),
                         test_support::CaseName());

struct OutputCase : test_support::NamedCase {
    std::string source;
};

class OutputEdges : public FastPaths, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(OutputEdges, ChunksAsTheReference) {
    const std::string& source = GetParam().source;
    EXPECT_EQ(write(source), static_cast<int32_t>(source.size()));
    const Expansion expansion = reference_output(source);
    EXPECT_EQ(sim::write_sizes(out), expansion.chunks);
    EXPECT_EQ(sim::written(out), expansion.bytes);
}

// A write that takes part of the first or second chunk: the count is the
// source bytes whose CR LF or byte went out whole.
TEST_P(OutputEdges, ShortWriteAtEveryByteCountsWholeBytes) {
    const std::string& source = GetParam().source;
    const Expansion expansion = reference_output(source);
    for (int nth = 1; nth <= static_cast<int>(expansion.chunks.size()) && nth <= 2; ++nth) {
        const size_t before = nth == 1 ? 0 : static_cast<size_t>(expansion.chunks[0]);
        for (size_t take = 0; take < static_cast<size_t>(expansion.chunks[static_cast<size_t>(nth) - 1]); ++take) {
            sim::plan({sim::Call::WriteFile, writes_made + nth, 0, false, static_cast<int64_t>(take)});
            const size_t accepted = before + take;
            const auto whole = std::upper_bound(expansion.ends.begin(), expansion.ends.end(), accepted);
            const int32_t expected = accepted == 0 ? -1 : static_cast<int32_t>(whole - expansion.ends.begin());
            ASSERT_EQ(write(source), expected) << "chunk " << nth << ", take " << take;
            ASSERT_EQ(new_writes().first, expansion.bytes.substr(0, accepted));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OutputEdges,
                         ::testing::Values(OutputCase{"NoLf", filler(3000)}, OutputCase{"NoLf1023", filler(1023)},
                                           OutputCase{"NoLf1025", filler(1025)},
                                           OutputCase{"LfAt1022", with_lfs(3000, {1022})},
                                           OutputCase{"LfAt1023", with_lfs(3000, {1023})},
                                           OutputCase{"LfAt1024", with_lfs(3000, {1024})},
                                           OutputCase{"LfAt1022And1023", with_lfs(3000, {1022, 1023})},
                                           OutputCase{"LfFirstAndLast", with_lfs(2100, {0, 2099})},
                                           OutputCase{"EveryThirdByte", filler(3000, 3)},
                                           OutputCase{"Lines", filler(3000, 80)}, OutputCase{"AllLf", filler(1100, 1)}),
                         test_support::CaseName());

// A run of LFs starting at every place from 84 bytes before a chunk's close
// up to it: the blocks expanded at once near the close store nothing past
// the chunk, which the sanitizer build would see.
TEST_F(FastPaths, LineFeedRunsNearTheCloseStayInTheChunk) {
    for (size_t at = EXPANSION_BUFFER_SIZE - 85; at < EXPANSION_BUFFER_SIZE; ++at) {
        const std::string source = filler(at) + std::string(64, '\n') + filler(64);
        const Expansion expected = reference_output(source);
        ASSERT_EQ(write(source), static_cast<int32_t>(source.size())) << at;
        ASSERT_EQ(new_writes(), std::make_pair(expected.bytes, expected.chunks)) << at;
    }
}

// The block scan this build runs (SSE2 where there is SSE2) against the
// scalar one that other targets run: every 16-byte window of bytes that hold
// each value alone and in pairs, for every byte sought.
TEST(ByteRuns, BlockScanAgreesWithTheScalarOneOnEveryWindowAndByte) {
    std::vector<uint8_t> bytes;
    for (unsigned value = 0; value < 256; ++value) {
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(value), static_cast<uint8_t>(value));
        bytes.insert(bytes.end(),
                     {static_cast<uint8_t>(value), static_cast<uint8_t>(value), static_cast<uint8_t>(~value)});
    }
    for (size_t at = 0; at + RUN_BLOCK <= bytes.size(); ++at) {
        for (unsigned sought = 0; sought < 256; ++sought) {
            const auto byte = static_cast<uint8_t>(sought);
            ASSERT_EQ(block_matches(&bytes[at], byte), block_matches_scalar(&bytes[at], byte)) << at << " " << sought;
        }
    }
}

// LINTOP_NO_SSE2 is how the sanitizer build runs the scalar scan, which
// targets without SSE2 depend on; without it an SSE2 target runs SSE2.
TEST(ByteRuns, TheBuildRunsTheScanItAskedFor) {
#if defined(LINTOP_NO_SSE2) || !defined(__SSE2__)
    EXPECT_STREQ(BYTE_SCAN, "scalar");
#else
    EXPECT_STREQ(BYTE_SCAN, "SSE2");
#endif
}

// Every run length around the in-line limits, with the byte at every place
// or absent; each run in a block of its own exact size, so that a sanitizer
// sees any byte read or written beyond it.
TEST(ByteRuns, FindAndCopyEveryLengthAndPlace) {
    for (size_t count = 0; count <= 300; ++count) {
        const std::unique_ptr<uint8_t[]> run(new uint8_t[count]);
        const std::unique_ptr<uint8_t[]> copy(new uint8_t[count]);
        for (size_t at = 0; at <= count; ++at) {
            for (size_t i = 0; i < count; ++i) {
                run[i] = i == at ? LF : static_cast<uint8_t>(i % 251 == LF ? 0xFF : i % 251);
            }
            ASSERT_EQ(find_in_run(run.get(), count, LF), at < count ? run.get() + at : nullptr) << count << " " << at;
        }
        std::fill_n(copy.get(), count, 0);
        copy_run(copy.get(), run.get(), count);
        ASSERT_TRUE(std::equal(run.get(), run.get() + count, copy.get())) << count;
    }
}

}  // namespace
}  // namespace lintop
