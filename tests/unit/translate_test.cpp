// Text mode on reading and writing, by kind of handle, with the platform
// calls each rule makes.
#include <algorithm>
#include <random>

#include "fixture.h"

namespace lintop {
namespace {

enum class Kind { DISK, CONSOLE, PIPE };

class Translate : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        start(sim::make_console(), sim::make_disk(), sim::make_disk());
    }

    // Opens "f" holding `data`; on a disk, placed at `start` and read from there.
    int32_t open(Kind kind, const std::string& data, uint64_t start = 0) {
        HANDLE h = kind == Kind::DISK      ? sim::make_disk(data, start)
                   : kind == Kind::CONSOLE ? sim::make_console({data})
                                           : sim::make_pipe(data);
        sim::name_file("f", h);
        handle = open_handle("f");
        if (start != 0) {
            LONG high = static_cast<LONG>(start >> 32);
            SetFilePointer(handle_record(handle)->platform_handle, static_cast<LONG>(start & 0xFFFFFFFFu), &high,
                           FILE_BEGIN);
        }
        return handle;
    }

    // One read of at most `count` bytes, as delivered.
    std::string read(uint32_t count) {
        std::vector<uint8_t> buffer(count + 1);
        int32_t got = read_handle(handle, buffer.data(), count);
        EXPECT_GE(got, 0);
        return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(got < 0 ? 0 : got));
    }

    size_t seeks() { return sim::calls(sim::Call::SetFilePointer).size(); }
    bool end_marker() { return (handle_record(handle)->attributes & HANDLE_END_MARKER) != 0; }

    int32_t handle = -1;
};

struct WholeReadCase {
    std::string file;
    std::string delivered;
    bool end_marker;
};

class DiskWholeRead : public Translate, public ::testing::WithParamInterface<WholeReadCase> {};

TEST_P(DiskWholeRead, DeliversTheTranslatedBytes) {
    open(Kind::DISK, GetParam().file);
    EXPECT_EQ(read(64), GetParam().delivered);
    EXPECT_EQ(end_marker(), GetParam().end_marker);
    EXPECT_EQ(seeks(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, DiskWholeRead,
                         ::testing::Values(WholeReadCase{"a\r\nb", "a\nb", false}, WholeReadCase{"a\rb", "a\rb", false},
                                           WholeReadCase{"a\r\r\nb", "a\r\nb", false},
                                           WholeReadCase{"\r\n\r\n", "\n\n", false},
                                           WholeReadCase{"a\n\rb", "a\n\rb", false},
                                           WholeReadCase{"a\n\r\n", "a\n\n", false}, WholeReadCase{"a\r", "a\r", false},
                                           WholeReadCase{"\r", "\r", false},
                                           WholeReadCase{"ab\x1a"
                                                         "de",
                                                         "ab", true},
                                           WholeReadCase{"a\x1a\r\n", "a", true},
                                           WholeReadCase{"\x1a"
                                                         "ab",
                                                         "", true},
                                           WholeReadCase{std::string("a\0b\r\n", 5), std::string("a\0b\n", 4), false}),
                         test_support::CaseName<&WholeReadCase::file>());

struct ChunkCase : test_support::NamedCase {
    Kind kind;
    std::string data;
    uint32_t first_count;
    std::string first;
    std::string second;  // the next read, of up to 64 bytes
    size_t seeks;
};

class ChunkEndingInCr : public Translate, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ChunkEndingInCr, IsResolvedByThePeek) {
    const ChunkCase& c = GetParam();
    open(c.kind, c.data);
    EXPECT_EQ(read(c.first_count), c.first);
    // The peek is a read of one byte of its own.
    auto reads = sim::calls(sim::Call::ReadFile);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[1].requested, 1);
    EXPECT_EQ(read(64), c.second);
    EXPECT_EQ(seeks(), c.seeks);
    for (const auto& seek : sim::calls(sim::Call::SetFilePointer)) {
        EXPECT_EQ(seek.requested, -1);
        EXPECT_TRUE(seek.high_part);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChunkEndingInCr,
    ::testing::Values(ChunkCase{"DiskPeekLf", Kind::DISK, "ab\r\nc", 3, "ab", "\nc", 1},
                      ChunkCase{"DiskPeekOther", Kind::DISK, "ab\rYc", 3, "ab\r", "Yc", 1},
                      ChunkCase{"DiskPeekEnd", Kind::DISK, "ab\r", 3, "ab\r", "", 0},
                      ChunkCase{"DiskLoneCrPeekLf", Kind::DISK, "\r\nc", 1, "\n", "c", 0},
                      ChunkCase{"DiskLoneCrPeekOther", Kind::DISK, "\rYc", 1, "\r", "Yc", 1},
                      ChunkCase{"ConsolePeekLf", Kind::CONSOLE, "ab\r\nc", 3, "ab\n", "c", 0},
                      ChunkCase{"ConsolePeekOther", Kind::CONSOLE, "ab\rYc", 3, "ab\r", "Yc", 0},
                      ChunkCase{"ConsoleHeldCrThenLf", Kind::CONSOLE, "ab\r\r\nz", 3, "ab\r", "\nz", 0},
                      ChunkCase{"PipePeekLf", Kind::PIPE, "ab\r\nc", 3, "ab\n", "c", 0},
                      ChunkCase{"PipeWriterClosed", Kind::PIPE, "ab\r", 3, "ab\r", "", 0},
                      ChunkCase{"PipeHeldByteBeforeBrokenPipe", Kind::PIPE, "ab\rY", 3, "ab\r", "Y", 0},
                      ChunkCase{"PipeHeldCtrlZ", Kind::PIPE,
                                "ab\r\x1a"
                                "cd",
                                3, "ab\r", "", 0}),
    test_support::CaseName());

struct KindCase : test_support::NamedCase {
    Kind kind;
};

class CtrlZOnDiskOrPipe : public Translate, public ::testing::WithParamInterface<KindCase> {};

TEST_P(CtrlZOnDiskOrPipe, EndsTheDataForGood) {
    open(GetParam().kind,
         "ab\x1a"
         "de\n");
    EXPECT_EQ(read(64), "ab");
    EXPECT_TRUE(end_marker());
    EXPECT_EQ(read(64), "");
    EXPECT_EQ(read(64), "");
    EXPECT_EQ(sim::calls(sim::Call::ReadFile).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, CtrlZOnDiskOrPipe,
                         ::testing::Values(KindCase{"Disk", Kind::DISK}, KindCase{"Pipe", Kind::PIPE}),
                         test_support::CaseName());

// Every piece read from a console typed as `lines`, up to the first read that gives none.
std::vector<std::string> console_pieces(const std::string& name, const std::vector<std::string>& lines) {
    sim::name_file(name, sim::make_console(lines));
    TextInput* input = open_text_input(name.c_str());
    std::vector<std::string> pieces;
    uint8_t line[64];
    int32_t length = 0;
    while (read_line_piece(input, line, 64, &length) != nullptr) {
        pieces.emplace_back(reinterpret_cast<char*>(line), static_cast<size_t>(length));
    }
    return pieces;
}

TEST_F(Translate, CtrlZOnAConsoleEndsOnlyTheCurrentRead) {
    // A line that begins with Ctrl-Z ends the copying, but not the device's data.
    EXPECT_EQ(console_pieces("con", {"xyz\x1a\r\n", "def\r\n", "\x1a\r\n", "later\r\n"}),
              std::vector<std::string>{"xyzdef\n"});
    EXPECT_FALSE((handle_record(3)->attributes & HANDLE_END_MARKER) != 0);
    // Peeked after a CR that ends a read, it ends that read only.
    EXPECT_EQ(console_pieces("con2", {"ab\r", "\x1a\r\n", "later\r\n"}), (std::vector<std::string>{"ab\r", "later\n"}));
}

const uint64_t FIVE_GIB = 5ull << 30;

TEST_F(Translate, StepBackWorksBeyondFourGigabytes) {
    open(Kind::DISK, "ab\r\nc", FIVE_GIB);
    EXPECT_EQ(read(3), "ab");
    EXPECT_EQ(sim::position(sim::calls(sim::Call::CreateFileA)[0].handle), FIVE_GIB + 3);
    EXPECT_EQ(read(64), "\nc");
}

TEST_F(Translate, StepBackBeyondFourGigabytesGivesTheByteAfterACr) {
    // From 0x1'00000000 the step back lands on 0xFFFFFFFF, whose low part is
    // also the failure value: a success all the same.
    for (const uint64_t start : {FIVE_GIB, uint64_t{0xFFFFFFFC}}) {
        open(Kind::DISK, "ab\rYc", start);
        EXPECT_EQ(read(3), "ab\r") << start;
        EXPECT_EQ(read(64), "Yc") << start;
    }
}

TEST_F(Translate, AFailedStepBackHoldsThePeekedByteBack) {
    open(Kind::DISK, "ab\rYc");
    sim::plan({sim::Call::SetFilePointer, 1, ERROR_INVALID_PARAMETER});
    EXPECT_EQ(read(3), "ab\r");
    EXPECT_EQ(read(64), "Yc");
}

TEST_F(Translate, ReadsOfAnySizeDeliverWhatReadsOf4096Do) {
    std::mt19937 random(12345);
    const char alphabet[] = {'\r', '\r', '\r', '\n', '\n', '\x1a', '\0', 'a', 'b', 'c'};
    for (int file = 0; file < 300; ++file) {
        std::string data(random() % 300, 'x');
        for (char& byte : data) {
            byte = alphabet[random() % sizeof alphabet];
        }
        // Ctrl-Z is rarer than the rest, so most files are read to their end.
        if (file % 3 != 0) {
            std::replace(data.begin(), data.end(), '\x1a', 'z');
        }

        // Each pass opens a file of its own: no state of one pass's handle
        // reaches the next (1,500 handle numbers in all, of the 2,048).
        open(Kind::DISK, data);
        std::string whole;
        for (std::string part; !(part = read(4096)).empty();) {
            whole += part;
        }

        for (uint32_t fixed : {1u, 2u, 3u, 0u}) {
            open(Kind::DISK, data);
            std::string pieces;
            for (;;) {
                uint32_t count = fixed != 0 ? fixed : 1 + static_cast<uint32_t>(random() % 7);
                std::string part = read(count);
                if (part.empty()) {
                    break;
                }
                pieces += part;
            }
            ASSERT_EQ(pieces, whole) << "file " << file << " reads of " << fixed;
        }
    }
}

class WriteTranslated : public Translate {
protected:
    std::vector<int64_t> write(const std::string& bytes, int32_t* result) {
        HANDLE out = sim::make_disk();
        sim::name_file("out", out);
        int32_t number = open_handle("out");
        *result =
            write_handle(number, reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
        written = sim::written(out);
        return sim::write_sizes(sim::calls(sim::Call::CreateFileA).back().handle);
    }
    std::string written;
};

TEST_F(WriteTranslated, ChunksCloseAt1024AndKeepCrLfTogether) {
    int32_t result = 0;
    EXPECT_EQ(write(std::string(1023, 'x') + "\n", &result), (std::vector<int64_t>{1025}));
    EXPECT_EQ(result, 1024);
    EXPECT_EQ(write(std::string(1024, 'x') + "\n", &result), (std::vector<int64_t>{1024, 2}));
    EXPECT_EQ(result, 1025);
    EXPECT_EQ(write(std::string(4096, '\n'), &result), std::vector<int64_t>(8, 1024));
    EXPECT_EQ(result, 4096);
    std::string expected;
    for (int i = 0; i < 4096; ++i) {
        expected += "\r\n";
    }
    EXPECT_EQ(written, expected);
}

TEST_F(WriteTranslated, OnlyLineFeedsAreExpanded) {
    int32_t result = 0;
    write(std::string("a\x1a\rb\r\nc\n", 8), &result);
    EXPECT_EQ(written, std::string("a\x1a\rb\r\r\nc\r\n", 10));
    EXPECT_EQ(result, 8);
}

TEST_F(WriteTranslated, ShortChunkCountsTheCallersWholeBytesOnly) {
    // Every byte an LF: 1024 bytes of chunk are 512 of the caller's.
    sim::plan({sim::Call::WriteFile, 2, 0, false, 1});
    int32_t result = 0;
    write(std::string(3000, '\n'), &result);
    EXPECT_EQ(result, 512);
}

}  // namespace
}  // namespace lintop
