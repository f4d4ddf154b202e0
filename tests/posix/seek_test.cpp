// SetFilePointer: 32-bit and 64-bit distances, refusals that leave the
// position alone, and a sparse file larger than 4 GiB.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "case_name.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "posix_support.h"

namespace posix_test {
namespace {

constexpr int64_t GIB = int64_t{1} << 30;
constexpr int64_t FOUR_GIB = int64_t{4} << 30;

int64_t position_of(const Fd& fd) {
    return lseek(fd.get(), 0, SEEK_CUR);
}

struct Seek32 : test_support::NamedCase {
    int64_t start;
    LONG distance;
    DWORD method;
    DWORD result;  // INVALID_SET_FILE_POINTER for a refusal
    DWORD error;   // SENTINEL for a success: the last error is left alone
};

class SetFilePointerWithoutHighPart : public testing::TestWithParam<Seek32> {};

// A file of 10 bytes, its position at `start`.
TEST_P(SetFilePointerWithoutHighPart, MovesOrRefusesWithoutMoving) {
    const Seek32& c = GetParam();
    const TempDir dir;
    const Fd fd(open(dir.file("ten", "0123456789").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(lseek(fd.get(), c.start, SEEK_SET), c.start);
    lintop::platform_posix::set_last_error(SENTINEL);
    EXPECT_EQ(SetFilePointer(fd.handle(), c.distance, nullptr, c.method), c.result);
    EXPECT_EQ(GetLastError(), c.error);
    const int64_t expected = c.result == INVALID_SET_FILE_POINTER ? c.start : int64_t{c.result};
    EXPECT_EQ(position_of(fd), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Posix, SetFilePointerWithoutHighPart,
    testing::Values(
        Seek32{"FromTheStart", 7, 3, FILE_BEGIN, 3, SENTINEL}, Seek32{"Forward", 4, 2, FILE_CURRENT, 6, SENTINEL},
        Seek32{"OneStepBack", 5, -1, FILE_CURRENT, 4, SENTINEL}, Seek32{"BackFromTheEnd", 0, -1, FILE_END, 9, SENTINEL},
        Seek32{"BeyondTheEnd", 0, 5, FILE_END, 15, SENTINEL}, Seek32{"WhereItIs", 6, 0, FILE_CURRENT, 6, SENTINEL},
        Seek32{"BeforeTheStart", 5, -6, FILE_CURRENT, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
        // Sign-extended: -1 from the start is before it, not 0xFFFFFFFF.
        Seek32{"NegativeFromTheStart", 5, -1, FILE_BEGIN, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
        Seek32{"BeforeTheStartFromTheEnd", 5, -11, FILE_END, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
        Seek32{"UnknownMethod", 5, 0, 3, INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER}),
    test_support::CaseName());

TEST(SetFilePointer, WithAHighPartMovesByA64BitDistance) {
    const TempDir dir;
    const Fd fd(open(dir.file("small", "x").c_str(), O_RDONLY | O_CLOEXEC));
    LONG high = 1;
    lintop::platform_posix::set_last_error(SENTINEL);
    EXPECT_EQ(SetFilePointer(fd.handle(), 0x10, &high, FILE_BEGIN), 0x10u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(position_of(fd), FOUR_GIB + 0x10);
    // The low part is unsigned once a high part is given: 0x80000000, not -2 GiB.
    high = 0;
    EXPECT_EQ(SetFilePointer(fd.handle(), INT32_MIN, &high, FILE_BEGIN), 0x80000000u);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(position_of(fd), 2 * GIB);
    // High -1 and low -GIB: 1 GiB back.
    high = -1;
    EXPECT_EQ(SetFilePointer(fd.handle(), static_cast<LONG>(-GIB), &high, FILE_CURRENT), 0x40000000u);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(position_of(fd), GIB);
    EXPECT_EQ(GetLastError(), SENTINEL);

    high = -1;
    EXPECT_EQ(SetFilePointer(fd.handle(), -5, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(high, -1) << "left alone on a refusal";
    EXPECT_EQ(position_of(fd), GIB);
}

// A sparse file of 5 GiB, removed with its folder at the end.
class LargeFile : public testing::Test {
protected:
    void SetUp() override {
        const std::string name = dir_.file("sparse");
        ASSERT_EQ(truncate(name.c_str(), 5 * GIB), 0);
        fd_.reset(open(name.c_str(), O_RDONLY | O_CLOEXEC));
        ASSERT_NE(fd_.get(), -1);
    }
    TempDir dir_;
    Fd fd_;
};

TEST_F(LargeFile, StepsBackAboveFourGibWithAHighPart) {
    ASSERT_EQ(lseek(fd_.get(), FOUR_GIB + 1, SEEK_SET), FOUR_GIB + 1);
    LONG high = -1;
    EXPECT_EQ(SetFilePointer(fd_.handle(), -1, &high, FILE_CURRENT), 0u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(position_of(fd_), FOUR_GIB);
}

TEST_F(LargeFile, RefusesWithoutAHighPartAboveFourGibAndStays) {
    ASSERT_EQ(lseek(fd_.get(), FOUR_GIB + 1, SEEK_SET), FOUR_GIB + 1);
    for (const DWORD method : {FILE_CURRENT, FILE_END}) {
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(SetFilePointer(fd_.handle(), -1, nullptr, method), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(position_of(fd_), FOUR_GIB + 1);
    }
}

// 0xFFFFFFFF is also INVALID_SET_FILE_POINTER; a success there must clear the
// last error, or the caller takes it for a failure.
TEST_F(LargeFile, ALowPartOfAllOnesClearsTheLastError) {
    ASSERT_EQ(lseek(fd_.get(), 0xFFFFFFFE, SEEK_SET), 0xFFFFFFFE);
    lintop::platform_posix::set_last_error(ERROR_DISK_FULL);
    EXPECT_EQ(SetFilePointer(fd_.handle(), 1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), NO_ERROR);
    EXPECT_EQ(position_of(fd_), 0xFFFFFFFF);

    LONG high = 1;  // with low -1: 8 GiB - 1, beyond the end
    lintop::platform_posix::set_last_error(ERROR_DISK_FULL);
    EXPECT_EQ(SetFilePointer(fd_.handle(), -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(GetLastError(), NO_ERROR);
    EXPECT_EQ(position_of(fd_), 2 * FOUR_GIB - 1);

    high = -1;  // 1 GiB and 1 byte back from the end of 5 GiB: 4 GiB - 1
    lintop::platform_posix::set_last_error(ERROR_DISK_FULL);
    EXPECT_EQ(SetFilePointer(fd_.handle(), static_cast<LONG>(-GIB - 1), &high, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(GetLastError(), NO_ERROR);
    EXPECT_EQ(position_of(fd_), FOUR_GIB - 1);
}

TEST_F(LargeFile, ADistanceThatOverflowsIsRefused) {
    LONG high = INT32_MAX;
    lintop::platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(SetFilePointer(fd_.handle(), -1, &high, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(position_of(fd_), 0);
}

TEST(SetFilePointer, OnAPipeIsASeekOnADevice) {
    Pipe pipe;
    for (const DWORD method : {FILE_BEGIN, FILE_CURRENT, FILE_END}) {
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(SetFilePointer(pipe.read_end.handle(), 0, nullptr, method), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), ERROR_SEEK_ON_DEVICE);
    }
}

TEST(SetFilePointer, OnNoOpenHandleIsAnInvalidHandle) {
    for (const HANDLE handle : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(SetFilePointer(handle, -1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

}  // namespace
}  // namespace posix_test
