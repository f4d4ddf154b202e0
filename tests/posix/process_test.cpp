// GetStdHandle, GetStartupInfoA, GetProcessHeap, HeapAlloc, ExitProcess.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "case_name.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "posix_support.h"

namespace posix_test {
namespace {

// Puts `replacement` on descriptor `fd` (or closes it, for -1) for the length
// of a scope, then restores what was there before, or its absence.
class SwapStandardFd {
public:
    SwapStandardFd(int fd, int replacement) : fd_(fd), saved_(fcntl(fd, F_DUPFD_CLOEXEC, 10)) {
        std::fflush(nullptr);
        if (replacement == -1) {
            close(fd);
        } else {
            dup2(replacement, fd);
        }
    }
    SwapStandardFd(const SwapStandardFd&) = delete;
    SwapStandardFd& operator=(const SwapStandardFd&) = delete;
    ~SwapStandardFd() {
        if (saved_ == -1) {
            close(fd_);
            return;
        }
        dup2(saved_, fd_);
        close(saved_);
    }

private:
    int fd_;
    int saved_;
};

struct StdCase : test_support::NamedCase {
    DWORD which;
    int fd;
};

class GetStdHandleOf : public testing::TestWithParam<StdCase> {};

TEST_P(GetStdHandleOf, GivesTheDescriptorWhenItIsOpen) {
    const Fd null(open("/dev/null", O_RDWR | O_CLOEXEC));
    HANDLE handle = nullptr;
    lintop::platform_posix::set_last_error(SENTINEL);
    {
        const SwapStandardFd swap(GetParam().fd, null.get());
        handle = GetStdHandle(GetParam().which);
    }
    EXPECT_EQ(handle, handle_of(GetParam().fd));
    EXPECT_EQ(GetLastError(), SENTINEL);
}

TEST_P(GetStdHandleOf, IsInvalidWhenTheDescriptorIsClosed) {
    HANDLE handle = nullptr;
    lintop::platform_posix::set_last_error(NO_ERROR);
    {
        const SwapStandardFd swap(GetParam().fd, -1);
        handle = GetStdHandle(GetParam().which);
    }
    EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Posix, GetStdHandleOf,
                         testing::Values(StdCase{"Input", STD_INPUT_HANDLE, 0}, StdCase{"Output", STD_OUTPUT_HANDLE, 1},
                                         StdCase{"Error", STD_ERROR_HANDLE, 2}),
                         test_support::CaseName());

TEST(GetStdHandle, OfAnythingElseIsAnInvalidHandle) {
    for (const DWORD which : {DWORD{0}, DWORD{1}, static_cast<DWORD>(-13), static_cast<DWORD>(-9)}) {
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(GetStdHandle(which), INVALID_HANDLE_VALUE) << which;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << which;
    }
}

TEST(GetStartupInfoA, HasNoReservedBlockAndNothingElse) {
    STARTUPINFOA info;
    std::memset(&info, 0xAB, sizeof info);
    GetStartupInfoA(&info);
    EXPECT_EQ(info.cb, sizeof info);
    EXPECT_EQ(info.cbReserved2, 0);
    EXPECT_EQ(info.lpReserved2, nullptr);
    STARTUPINFOA expected;
    std::memset(&expected, 0, sizeof expected);
    expected.cb = sizeof expected;
    EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0);
}

// Blocks are never freed; a plain array, which exit leaves alone, keeps them
// reachable for the leak checker.
struct KeptBlock {
    unsigned char* bytes;
    size_t size;
};
KeptBlock kept_blocks[16];

// Small and large blocks, past the end of the static area into the C
// library's heap: each aligned, writable, and apart from every other.
TEST(HeapAlloc, GivesSeparateAlignedBlocksFromANonNullHeap) {
    const HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    EXPECT_NE(heap, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetProcessHeap(), heap);
    std::vector<SIZE_T> sizes = {0, 1, 3, 40000};
    sizes.resize(std::size(kept_blocks), 4096);
    for (size_t i = 0; i < sizes.size(); ++i) {
        auto* block = static_cast<unsigned char*>(HeapAlloc(heap, 0, sizes[i]));
        ASSERT_NE(block, nullptr) << sizes[i];
        // As Windows' HeapAlloc aligns: 16 bytes on 64-bit systems, 8 on 32-bit ones.
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (2 * sizeof(void*)), 0U) << sizes[i];
        kept_blocks[i] = {block, sizes[i] != 0 ? sizes[i] : 1};
        std::memset(block, static_cast<int>(i + 1), kept_blocks[i].size);
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        const KeptBlock& kept = kept_blocks[i];
        EXPECT_EQ(std::count(kept.bytes, kept.bytes + kept.size, static_cast<unsigned char>(i + 1)),
                  static_cast<ptrdiff_t>(kept.size))
            << i;
    }
}

TEST(ExitProcessDeathTest, EndsAtOnceWithTheStatus) {
    EXPECT_EXIT(ExitProcess(7), testing::ExitedWithCode(7), "");
    EXPECT_EXIT(ExitProcess(0), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace posix_test
