// Opening the file and taking line pieces from it.
#include "fixture.h"

namespace lintop {
namespace {

class Input : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        start(sim::make_console(), sim::make_disk(), sim::make_disk());
    }

    // Reads every piece with a buffer of `size`.
    static std::vector<std::string> pieces(TextInput* input, int32_t size = LINE_BUFFER_SIZE) {
        std::vector<std::string> result;
        std::vector<uint8_t> buffer(static_cast<size_t>(size) + 1, 0xEE);
        int32_t length = -1;
        while (read_line_piece(input, buffer.data(), size, &length) != nullptr) {
            result.emplace_back(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(length));
            EXPECT_EQ(buffer[static_cast<size_t>(length)], 0);
        }
        return result;
    }
};

TEST_F(Input, OpenGivesNumberThreeInTextModeFromTheFileKind) {
    sim::name_file("disk", sim::make_disk("x"));
    sim::name_file("con", sim::make_console());
    sim::name_file("pipe", sim::make_pipe());
    TextInput* input = open_text_input("disk");
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->handle, 3);
    EXPECT_EQ(input, stream_table.slots[3]);
    EXPECT_EQ(input->buffer, nullptr);
    EXPECT_EQ(handle_record(3)->attributes, HANDLE_IN_USE | HANDLE_TEXT_MODE);
    EXPECT_EQ(open_text_input("con")->handle, 4);
    EXPECT_EQ(handle_record(4)->attributes, HANDLE_IN_USE | HANDLE_TEXT_MODE | HANDLE_CHAR_DEVICE);
    EXPECT_EQ(open_text_input("pipe")->handle, 5);
    EXPECT_EQ(handle_record(5)->attributes, HANDLE_IN_USE | HANDLE_TEXT_MODE | HANDLE_PIPE);
}

TEST_F(Input, FailedOpenLeavesSlotAndNumberFree) {
    EXPECT_EQ(open_text_input("missing"), nullptr);
    EXPECT_EQ(error_number, error_numbers::NOENT);
    EXPECT_EQ(system_error_code, ERROR_FILE_NOT_FOUND);
    sim::name_file("f", sim::make_disk("x"));
    TextInput* input = open_text_input("f");
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->handle, 3);
    EXPECT_EQ(input, stream_table.slots[3]);
}

TEST_F(Input, UnknownFileTypeClosesTheHandleAndFails) {
    sim::name_file("odd", sim::make_unknown());
    error_number = 0;
    EXPECT_EQ(open_text_input("odd"), nullptr);
    // The successful close leaves no code behind: classified as an invalid argument.
    EXPECT_EQ(error_number, error_numbers::INVAL);
    EXPECT_EQ(sim::calls(sim::Call::CloseHandle).size(), 1u);
    EXPECT_EQ(handle_record(3)->attributes & HANDLE_IN_USE, 0);
}

TEST_F(Input, HandleNumbersGrowByGroupsUpTo2048ThenEMFILE) {
    sim::name_file("f", sim::make_disk("x"));
    for (int32_t i = 3; i < MAX_OPEN_HANDLES; ++i) {
        int32_t handle = open_handle("f");
        ASSERT_EQ(handle, i);
    }
    EXPECT_EQ(handle_table.count, MAX_OPEN_HANDLES);
    size_t opens = sim::calls(sim::Call::CreateFileA).size();
    EXPECT_EQ(open_handle("f"), -1);
    EXPECT_EQ(error_number, error_numbers::MFILE);
    EXPECT_EQ(system_error_code, 0u);
    EXPECT_EQ(sim::calls(sim::Call::CreateFileA).size(), opens);
}

TEST_F(Input, NoMemoryForAFurtherGroupIsEMFILE) {
    sim::name_file("f", sim::make_disk("x"));
    for (int32_t i = 3; i < HANDLE_GROUP_SIZE; ++i) {
        ASSERT_EQ(open_handle("f"), i);
    }
    sim::plan({sim::Call::HeapAlloc, next(sim::Call::HeapAlloc), 0, false});
    EXPECT_EQ(open_handle("f"), -1);
    EXPECT_EQ(error_number, error_numbers::MFILE);
    EXPECT_EQ(open_handle("f"), HANDLE_GROUP_SIZE);
}

TEST_F(Input, StreamSlotsRunOutAt512) {
    sim::name_file("f", sim::make_disk("x"));
    for (int32_t slot = 3; slot < MAX_OPEN_STREAMS; ++slot) {
        ASSERT_NE(open_text_input("f"), nullptr) << slot;
    }
    size_t opens = sim::calls(sim::Call::CreateFileA).size();
    EXPECT_EQ(open_text_input("f"), nullptr);
    EXPECT_EQ(error_number, error_numbers::MFILE);
    EXPECT_EQ(sim::calls(sim::Call::CreateFileA).size(), opens);
}

TEST_F(Input, NoMemoryForASlotRecordIsEMFILE) {
    sim::name_file("f", sim::make_disk("x"));
    sim::plan({sim::Call::HeapAlloc, next(sim::Call::HeapAlloc), 0, false});
    EXPECT_EQ(open_text_input("f"), nullptr);
    EXPECT_EQ(error_number, error_numbers::MFILE);
    EXPECT_TRUE(sim::calls(sim::Call::CreateFileA).empty());
}

struct PieceCase : test_support::NamedCase {
    std::string data;
    int32_t size;
    std::vector<std::string> pieces;
};

class Pieces : public Input, public ::testing::WithParamInterface<PieceCase> {};

TEST_P(Pieces, AreCutAtLineFeedsAndAtTheBufferSize) {
    sim::name_file("f", sim::make_disk(GetParam().data));
    EXPECT_EQ(pieces(open_text_input("f"), GetParam().size), GetParam().pieces);
}

const std::string A4095(4095, 'a');

INSTANTIATE_TEST_SUITE_P(
    Table, Pieces,
    ::testing::Values(PieceCase{"Empty", "", 4096, {}},
                      PieceCase{"LastWithoutLineFeed", "ab\ncd", 4096, {"ab\n", "cd"}},
                      PieceCase{"Exactly4095", A4095 + "\n", 4096, {A4095, "\n"}},
                      PieceCase{"SizeTwo", "abc\n", 2, {"a", "b", "c", "\n"}},
                      PieceCase{
                          "ZeroAndByte255AreData", std::string("a\0\xff\n", 4), 4096, {std::string("a\0\xff\n", 4)}},
                      PieceCase{"CrLfArrivesAsLf", "a\r\nb\r\n", 4096, {"a\n", "b\n"}},
                      PieceCase{"LongRunAcrossRefills",
                                std::string(10000, 'q') + "\n",
                                4096,
                                {std::string(4095, 'q'), std::string(4095, 'q'), std::string(1810, 'q') + "\n"}}),
    test_support::CaseName());

TEST_F(Input, SizeOneGivesAnEmptyTextWithoutReading) {
    sim::name_file("f", sim::make_disk(""));
    TextInput* input = open_text_input("f");
    uint8_t buffer[2] = {0xEE, 0xEE};
    int32_t length = -1;
    EXPECT_EQ(read_line_piece(input, buffer, 1, &length), buffer);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(read_line_piece(input, buffer, 0, &length), nullptr);
    EXPECT_EQ(read_line_piece(input, buffer, -5, &length), nullptr);
    EXPECT_TRUE(sim::calls(sim::Call::ReadFile).empty());
}

TEST_F(Input, EndOfDataLeavesTheBufferUntouchedAndAsksAgainNextTime) {
    sim::name_file("f", sim::make_disk("ab"));
    TextInput* input = open_text_input("f");
    uint8_t buffer[8];
    int32_t length = 0;
    ASSERT_NE(read_line_piece(input, buffer, 8, &length), nullptr);
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    EXPECT_EQ(read_line_piece(input, buffer, 8, &length), nullptr);
    EXPECT_EQ(buffer[0], 0xEE);
    size_t reads = sim::calls(sim::Call::ReadFile).size();
    EXPECT_EQ(read_line_piece(input, buffer, 8, &length), nullptr);
    EXPECT_EQ(sim::calls(sim::Call::ReadFile).size(), reads + 1);
}

TEST_F(Input, EachRefillAsksFor4096Bytes) {
    sim::name_file("f", sim::make_disk(std::string(5000, 'x')));
    pieces(open_text_input("f"));
    auto reads = sim::calls(sim::Call::ReadFile);
    // 4096, 904, then the end twice: once to close the last piece, once to find no more.
    ASSERT_EQ(reads.size(), 4u);
    for (const auto& read : reads) {
        EXPECT_EQ(read.requested, 4096);
    }
    EXPECT_EQ(reads[1].transferred, 904);
}

TEST_F(Input, WithoutMemoryTheFallbackReadsTwoBytesAtATime) {
    std::string data = "one\r\ntwo\rthree\r\n\r\nfour";
    sim::name_file("f", sim::make_disk(data));
    TextInput* input = open_text_input("f");
    sim::plan({sim::Call::HeapAlloc, next(sim::Call::HeapAlloc), 0, false});
    EXPECT_EQ(pieces(input), (std::vector<std::string>{"one\n", "two\rthree\n", "\n", "four"}));
    EXPECT_NE(input->state & STREAM_FALLBACK, 0u);
    for (const auto& read : sim::calls(sim::Call::ReadFile)) {
        EXPECT_LE(read.requested, 2);
    }
}

struct ReadFailureCase : test_support::NamedCase {
    DWORD code;
    int32_t result;
    int32_t error;
};

class ReadFailures : public Input, public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(ReadFailures, AreClassified) {
    sim::name_file("f", sim::make_disk("abc"));
    ASSERT_NE(open_text_input("f"), nullptr);
    sim::plan({sim::Call::ReadFile, 1, GetParam().code});
    error_number = 77;
    uint8_t buffer[16];
    EXPECT_EQ(read_handle(3, buffer, sizeof buffer), GetParam().result);
    EXPECT_EQ(error_number, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadFailures,
    ::testing::Values(ReadFailureCase{"AccessDenied", ERROR_ACCESS_DENIED, -1, error_numbers::BADF},
                      ReadFailureCase{"BrokenPipeEndsTheData", ERROR_BROKEN_PIPE, 0, 77},
                      ReadFailureCase{"InvalidHandle", ERROR_INVALID_HANDLE, -1, error_numbers::BADF},
                      ReadFailureCase{"NoMemory", ERROR_NOT_ENOUGH_MEMORY, -1, error_numbers::NOMEM},
                      ReadFailureCase{"SharingViolation", ERROR_SHARING_VIOLATION, -1, error_numbers::ACCES}),
    test_support::CaseName());

TEST_F(Input, ReadFailureEndsTheDataAndIsKeptForTheReport) {
    sim::name_file("f", sim::make_disk("ab\ncd"));
    TextInput* input = open_text_input("f");
    sim::plan({sim::Call::ReadFile, 1, ERROR_INVALID_HANDLE});
    uint8_t buffer[16];
    int32_t length = 0;
    EXPECT_EQ(read_line_piece(input, buffer, 16, &length), nullptr);
    EXPECT_NE(input->state & STREAM_ERROR_SEEN, 0u);
    // Asking again could deliver bytes from behind the gap: no further read.
    EXPECT_EQ(read_line_piece(input, buffer, 16, &length), nullptr);
    EXPECT_EQ(sim::calls(sim::Call::ReadFile).size(), 1u);
    EXPECT_TRUE(first_failure.seen);
    EXPECT_EQ(first_failure.handle, 3);
    EXPECT_EQ(first_failure.number, error_numbers::BADF);
}

TEST_F(Input, HandleOperationsRefuseNumbersNotInUse) {
    uint8_t buffer[4];
    for (int32_t handle : {-1, 3, 40, INT32_MIN}) {
        system_error_code = 5;
        EXPECT_EQ(read_handle(handle, buffer, 4), -1);
        EXPECT_EQ(error_number, error_numbers::BADF);
        EXPECT_EQ(system_error_code, 0u);
        EXPECT_EQ(seek_handle(handle, 0, FILE_BEGIN), -1);
    }
    EXPECT_EQ(read_handle(0, buffer, 0), 0);
    EXPECT_TRUE(sim::calls(sim::Call::ReadFile).empty());
}

}  // namespace
}  // namespace lintop
