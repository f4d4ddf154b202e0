// Handle numbers passed in by the starting process through the reserved
// block of the start-up information.
#include <cstring>

#include "fixture.h"

namespace lintop {
namespace {

struct Entry {
    uint8_t attributes;
    HANDLE handle;
};

// The block as a parent writes it: N, N attribute bytes, N handles unaligned.
std::vector<uint8_t> block(const std::vector<Entry>& entries, int32_t stored_count = -1) {
    int32_t count = stored_count >= 0 ? stored_count : static_cast<int32_t>(entries.size());
    std::vector<uint8_t> bytes(4 + static_cast<size_t>(count) * (1 + sizeof(HANDLE)), 0);
    std::memcpy(bytes.data(), &count, 4);
    for (size_t i = 0; i < entries.size(); ++i) {
        bytes[4 + i] = entries[i].attributes;
        std::memcpy(bytes.data() + 4 + static_cast<size_t>(count) + i * sizeof(HANDLE), &entries[i].handle,
                    sizeof(HANDLE));
    }
    return bytes;
}

class Inherited : public SimTest {
protected:
    void start_with(const std::vector<uint8_t>& reserved) {
        sim::set_reserved_block(reserved);
        start(sim::make_console(), sim::make_console(), sim::make_console());
    }
};

TEST_F(Inherited, NoBlockAsksThePlatformForAllThree) {
    start_with({});
    EXPECT_EQ(sim::calls(sim::Call::GetStdHandle).size(), 3u);
    for (int32_t handle = 0; handle < 3; ++handle) {
        EXPECT_EQ(handle_record(handle)->attributes, HANDLE_IN_USE | HANDLE_TEXT_MODE | HANDLE_CHAR_DEVICE);
    }
    EXPECT_EQ(handle_table.count, HANDLE_GROUP_SIZE);
}

TEST_F(Inherited, StandardHandlesKeepTheirRecordedKindAndGainTextMode) {
    HANDLE disk = sim::make_disk();
    HANDLE pipe = sim::make_pipe();
    start_with(block({{HANDLE_IN_USE, disk},
                      {HANDLE_IN_USE | HANDLE_CHAR_DEVICE, disk},
                      {HANDLE_IN_USE | HANDLE_PIPE | HANDLE_APPEND, pipe}}));
    EXPECT_TRUE(sim::calls(sim::Call::GetStdHandle).empty());
    EXPECT_EQ(handle_record(0)->attributes, HANDLE_IN_USE | HANDLE_TEXT_MODE);
    EXPECT_EQ(handle_record(1)->attributes, HANDLE_IN_USE | HANDLE_CHAR_DEVICE | HANDLE_TEXT_MODE);
    EXPECT_EQ(handle_record(2)->attributes, HANDLE_IN_USE | HANDLE_PIPE | HANDLE_APPEND | HANDLE_TEXT_MODE);
    EXPECT_EQ(handle_record(1)->platform_handle, disk);
    // A recorded pipe is taken on the parent's word.
    EXPECT_EQ(sim::calls(sim::Call::GetFileType).size(), 2u);
}

TEST_F(Inherited, UnusableEntriesStayFreeAndTheStandardHandleIsAsked) {
    HANDLE disk = sim::make_disk();
    start_with(block({{0, disk},
                      {HANDLE_IN_USE, INVALID_HANDLE_VALUE},
                      {HANDLE_IN_USE, sim::make_unknown()},
                      {HANDLE_IN_USE, disk},
                      {HANDLE_PIPE, disk}}));
    auto asked = sim::calls(sim::Call::GetStdHandle);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(handle_record(3)->platform_handle, disk);
    EXPECT_EQ(handle_record(4)->attributes, 0);
    EXPECT_EQ(handle_record(4)->platform_handle, INVALID_HANDLE_VALUE);
}

TEST_F(Inherited, OtherNumbersAreTakenAndAFileOpenedByNameGetsTheNextFree) {
    HANDLE disk = sim::make_disk();
    std::vector<Entry> entries(40, Entry{0, INVALID_HANDLE_VALUE});
    entries[3] = {HANDLE_IN_USE, disk};
    entries[39] = {HANDLE_IN_USE, disk};
    start_with(block(entries));
    EXPECT_EQ(handle_table.count, 64);
    EXPECT_NE(handle_record(39)->attributes & HANDLE_IN_USE, 0);
    sim::name_file("f", sim::make_disk("x"));
    EXPECT_EQ(open_handle("f"), 4);
}

TEST_F(Inherited, CountsBeyond2048StillPlaceHandlesAfterTheStoredCount) {
    HANDLE disk = sim::make_disk();
    std::vector<Entry> entries(2100, Entry{0, INVALID_HANDLE_VALUE});
    entries[5] = {HANDLE_IN_USE, disk};
    entries[2047] = {HANDLE_IN_USE, disk};
    entries[2060] = {HANDLE_IN_USE, disk};
    start_with(block(entries));
    EXPECT_EQ(handle_table.count, MAX_OPEN_HANDLES);
    EXPECT_EQ(handle_record(5)->platform_handle, disk);
    EXPECT_EQ(handle_record(2047)->platform_handle, disk);
}

TEST_F(Inherited, NoMemoryForGroupsLimitsTheNumbersTaken) {
    HANDLE disk = sim::make_disk();
    std::vector<Entry> entries(100, Entry{HANDLE_IN_USE, disk});
    sim::plan({sim::Call::HeapAlloc, 3, 0, false});  // the group after 32 and 64 numbers
    start_with(block(entries));
    EXPECT_EQ(handle_table.count, 64);
    EXPECT_EQ(handle_record(63)->platform_handle, disk);
}

TEST_F(Inherited, ABlockShorterThanItsCountIsReadOnlyWhereItHoldsWholeEntries) {
    HANDLE disk = sim::make_disk();
    std::vector<uint8_t> bytes = block({{HANDLE_IN_USE, disk}, {HANDLE_IN_USE, disk}, {HANDLE_IN_USE, disk}});
    bytes.resize(bytes.size() - 1);  // the third handle is cut short
    start_with(bytes);
    EXPECT_EQ(handle_record(1)->platform_handle, disk);
    EXPECT_EQ(handle_record(2)->platform_handle, sim::calls(sim::Call::GetStdHandle)[0].handle);
}

struct ShortBlockCase : test_support::NamedCase {
    std::vector<uint8_t> bytes;
};

class BlockWithoutWholeEntries : public Inherited, public ::testing::WithParamInterface<ShortBlockCase> {};

TEST_P(BlockWithoutWholeEntries, AsksThePlatformForAllThree) {
    start_with(GetParam().bytes);
    EXPECT_EQ(sim::calls(sim::Call::GetStdHandle).size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Table, BlockWithoutWholeEntries,
                         ::testing::Values(ShortBlockCase{"ClaimsEntriesItDoesNotHold", block({}, 1000)},
                                           ShortBlockCase{"TooShortEvenForItsCount", {0x03, 0x00}}),
                         test_support::CaseName());

TEST_F(Inherited, ANegativeCountGivesNothing) {
    std::vector<uint8_t> bytes = block({{HANDLE_IN_USE, sim::make_disk()}});
    int32_t negative = -1;
    std::memcpy(bytes.data(), &negative, 4);
    start_with(bytes);
    EXPECT_EQ(sim::calls(sim::Call::GetStdHandle).size(), 3u);
    EXPECT_EQ(handle_table.count, HANDLE_GROUP_SIZE);
}

}  // namespace
}  // namespace lintop
