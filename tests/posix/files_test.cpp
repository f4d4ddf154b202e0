// CreateFileA, CloseHandle and GetFileType against the real file system.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "case_name.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "posix_support.h"

namespace posix_test {
namespace {

int fd_of(HANDLE handle) {
    return lintop::platform_posix::fd_from_handle(handle);
}

// The lowest free descriptor: equal before and after a call that must not leak one.
int lowest_free_fd() {
    const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    close(fd);
    return fd;
}

TEST(Handle, IsTheDescriptorPlusOne) {
    EXPECT_EQ(handle_of(0), reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(fd_of(reinterpret_cast<HANDLE>(1)), 0);
    EXPECT_EQ(fd_of(handle_of(41)), 41);
    EXPECT_EQ(fd_of(nullptr), -1);
    EXPECT_EQ(fd_of(INVALID_HANDLE_VALUE), -1);
}

TEST(Handle, BeyondTheRangeOfIntIsNoDescriptor) {
    // A value whose low bits are a valid descriptor plus one: beyond the range
    // of int where pointers are wider than int, negative where they are not.
    constexpr uintptr_t HIGH = sizeof(uintptr_t) > sizeof(unsigned)
                                   ? uintptr_t{UINT_MAX} + 1
                                   : uintptr_t{1} << (sizeof(uintptr_t) * CHAR_BIT - 1);
    const Fd open_fd(open("/dev/null", O_RDONLY | O_CLOEXEC));
    const auto wrapping = reinterpret_cast<HANDLE>(HIGH + static_cast<uintptr_t>(open_fd.get()) + 1);
    EXPECT_EQ(fd_of(wrapping), -1);
    lintop::platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(GetFileType(wrapping), FILE_TYPE_UNKNOWN);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(CreateFileA, OpensAnExistingFileForReadingAsAnInheritableHandle) {
    const TempDir dir;
    const std::string name = dir.file("data.txt", "hello");
    lintop::platform_posix::set_last_error(SENTINEL);
    const HANDLE handle = open_for_reading(name);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ASSERT_NE(handle, nullptr);
    const Fd fd(fd_of(handle));
    EXPECT_EQ(GetLastError(), SENTINEL) << "a success leaves the last error alone";
    EXPECT_EQ(fcntl(fd.get(), F_GETFD) & FD_CLOEXEC, 0) << "inheritable";
    EXPECT_EQ(fcntl(fd.get(), F_GETFL) & O_ACCMODE, O_RDONLY);
    char bytes[8] = {};
    EXPECT_EQ(read(fd.get(), bytes, sizeof bytes), 5);
    EXPECT_STREQ(bytes, "hello");
}

TEST(CreateFileA, WithoutTheInheritRequestTheHandleStaysWithTheProcess) {
    const TempDir dir;
    const std::string name = dir.file("data.txt", "x");
    SECURITY_ATTRIBUTES keep{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    for (SECURITY_ATTRIBUTES* security : {static_cast<SECURITY_ATTRIBUTES*>(nullptr), &keep}) {
        const Fd fd(fd_of(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, security, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
        ASSERT_NE(fd.get(), -1);
        EXPECT_NE(fcntl(fd.get(), F_GETFD) & FD_CLOEXEC, 0);
    }
}

TEST(CreateFileA, OpensACharacterDevice) {
    const Fd fd(fd_of(open_for_reading("/dev/null")));
    ASSERT_NE(fd.get(), -1);
    EXPECT_EQ(GetFileType(fd.handle()), FILE_TYPE_CHAR);
}

struct OpenFailure : test_support::NamedCase {
    std::string (*path)(const std::string& dir);
    DWORD code;
};

class CreateFileAFailure : public testing::TestWithParam<OpenFailure> {};

TEST_P(CreateFileAFailure, GivesTheWin32Code) {
    const TempDir dir;
    dir.file("file", "content");
    mkdir((dir.path() / "folder").c_str(), 0755);
    symlink("loop_b", (dir.path() / "loop_a").c_str());
    symlink("loop_a", (dir.path() / "loop_b").c_str());
    symlink("file", (dir.path() / "link").c_str());
    ASSERT_TRUE(dir.socket_file("socket"));
    const std::string path = GetParam().path(dir.path().string());
    const int free_fd = lowest_free_fd();
    lintop::platform_posix::set_last_error(NO_ERROR);

    EXPECT_EQ(open_for_reading(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), GetParam().code);
    EXPECT_EQ(lowest_free_fd(), free_fd) << "no descriptor left open";
}

INSTANTIATE_TEST_SUITE_P(
    Posix, CreateFileAFailure,
    testing::Values(
        OpenFailure{"MissingFile", [](const std::string& d) { return d + "/missing"; }, ERROR_FILE_NOT_FOUND},
        OpenFailure{"MissingFileInCurrentFolder",
                    [](const std::string&) { return std::string("lintop_surely_missing_file"); }, ERROR_FILE_NOT_FOUND},
        OpenFailure{"MissingFolderOnTheWay", [](const std::string& d) { return d + "/missing/file"; },
                    ERROR_PATH_NOT_FOUND},
        OpenFailure{"ThroughARegularFile", [](const std::string& d) { return d + "/file/x"; }, ERROR_PATH_NOT_FOUND},
        OpenFailure{"EmptyName", [](const std::string&) { return std::string(); }, ERROR_PATH_NOT_FOUND},
        OpenFailure{"OverlongComponent", [](const std::string& d) { return d + "/" + std::string(300, 'n'); },
                    ERROR_FILENAME_EXCED_RANGE},
        OpenFailure{"OverlongPath", [](const std::string& d) { return d + "/" + std::string(5000, 'n'); },
                    ERROR_FILENAME_EXCED_RANGE},
        OpenFailure{"Folder", [](const std::string& d) { return d + "/folder"; }, ERROR_ACCESS_DENIED},
        OpenFailure{"FolderWithSlash", [](const std::string& d) { return d + "/folder/"; }, ERROR_ACCESS_DENIED},
        OpenFailure{"SymbolicLinkLoop", [](const std::string& d) { return d + "/loop_a"; },
                    ERROR_CANT_RESOLVE_FILENAME},
        OpenFailure{"ThroughALinkLoop", [](const std::string& d) { return d + "/loop_a/x"; },
                    ERROR_CANT_RESOLVE_FILENAME},
        OpenFailure{"FileWithSlash", [](const std::string& d) { return d + "/file/"; }, ERROR_INVALID_NAME},
        OpenFailure{"LinkToFileWithSlash", [](const std::string& d) { return d + "/link//"; }, ERROR_INVALID_NAME},
        OpenFailure{"FileWithSlashDotSlash", [](const std::string& d) { return d + "/file/./"; }, ERROR_INVALID_NAME},
        OpenFailure{"ThroughARegularFileWithSlash", [](const std::string& d) { return d + "/file/x/"; },
                    ERROR_PATH_NOT_FOUND},
        OpenFailure{"MissingWithSlash", [](const std::string& d) { return d + "/missing/"; }, ERROR_PATH_NOT_FOUND},
        OpenFailure{"SocketFile", [](const std::string& d) { return d + "/socket"; }, ERROR_FILE_NOT_FOUND}),
    test_support::CaseName());

TEST(CreateFileA, NullNameIsAMissingPath) {
    lintop::platform_posix::set_last_error(NO_ERROR);
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(CreateFileA, OtherFormsAreRefusedAndNeverCreateOrTruncate) {
    const TempDir dir;
    const std::string existing = dir.file("existing", "keep");
    const std::string missing = dir.path().string() + "/missing";
    constexpr DWORD CREATE_ALWAYS = 2;
    struct Form {
        DWORD access, disposition;
    };
    for (const Form form : {Form{GENERIC_WRITE, OPEN_EXISTING}, Form{GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING},
                            Form{GENERIC_READ, CREATE_ALWAYS}}) {
        for (const std::string& name : {existing, missing}) {
            lintop::platform_posix::set_last_error(NO_ERROR);
            EXPECT_EQ(CreateFileA(name.c_str(), form.access, 0, nullptr, form.disposition, 0, nullptr),
                      INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        }
    }
    EXPECT_EQ(open_for_reading(missing), INVALID_HANDLE_VALUE);
    EXPECT_NE(access(missing.c_str(), F_OK), 0) << "not created";
    struct stat status = {};
    ASSERT_EQ(stat(existing.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 4) << "not truncated";
}

std::string unreadable_file(const TempDir& dir) {
    chmod(dir.path().c_str(), 0755);
    const std::string name = dir.file("secret", "x");
    chmod(name.c_str(), 0);
    return name;
}

TEST(CreateFileA, UnreadableFileIsAccessDenied) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads any file; see UnreadableFileIsAccessDeniedForAnUnprivilegedChild";
    }
    const TempDir dir;
    const std::string name = unreadable_file(dir);
    EXPECT_EQ(open_for_reading(name), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

// The same case for a test run as root (as CI runs): a child process drops
// to an unprivileged user and reports the code as its exit status.
TEST(CreateFileA, UnreadableFileIsAccessDeniedForAnUnprivilegedChild) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "not root: UnreadableFileIsAccessDenied covers this";
    }
    const TempDir dir;
    const std::string name = unreadable_file(dir);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        constexpr uid_t NOBODY = 65534;
        if (setgid(NOBODY) != 0 || setuid(NOBODY) != 0) {
            _exit(200);
        }
        const bool refused = open_for_reading(name) == INVALID_HANDLE_VALUE;
        _exit(refused ? static_cast<int>(GetLastError() & 0x7F) : 100);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 200) {
        GTEST_SKIP() << "cannot drop privileges here";
    }
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(ERROR_ACCESS_DENIED));
}

TEST(CloseHandle, ClosesTheDescriptorOnce) {
    const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_NE(fd, -1);
    lintop::platform_posix::set_last_error(SENTINEL);
    EXPECT_EQ(CloseHandle(handle_of(fd)), TRUE);
    EXPECT_EQ(GetLastError(), SENTINEL);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
    EXPECT_EQ(CloseHandle(handle_of(fd)), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    for (const HANDLE invalid : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(CloseHandle(invalid), FALSE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

// An object of each kind (see Object), made fresh for the test.
struct TypeCase : test_support::NamedCase {
    DWORD type;
};

class GetFileTypeOf : public testing::TestWithParam<TypeCase> {};

TEST_P(GetFileTypeOf, GivesTheKind) {
    const Object object(GetParam().name);
    ASSERT_NE(object.fd(), -1) << "cannot make " << GetParam().name;
    lintop::platform_posix::set_last_error(SENTINEL);
    EXPECT_EQ(GetFileType(object.handle()), GetParam().type);
    EXPECT_EQ(GetLastError(), SENTINEL);
}

INSTANTIATE_TEST_SUITE_P(Posix, GetFileTypeOf,
                         testing::Values(TypeCase{"RegularFile", FILE_TYPE_DISK}, TypeCase{"Folder", FILE_TYPE_DISK},
                                         TypeCase{"PipeReadEnd", FILE_TYPE_PIPE},
                                         TypeCase{"PipeWriteEnd", FILE_TYPE_PIPE},
                                         TypeCase{"Socketpair", FILE_TYPE_PIPE}, TypeCase{"DevNull", FILE_TYPE_CHAR},
                                         TypeCase{"DevFull", FILE_TYPE_CHAR},
                                         TypeCase{"PseudoTerminal", FILE_TYPE_CHAR}),
                         test_support::CaseName());

TEST(GetFileType, OfNoOpenDescriptorIsUnknownWithInvalidHandle) {
    const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    close(fd);
    for (const HANDLE handle : {handle_of(fd), INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        lintop::platform_posix::set_last_error(NO_ERROR);
        EXPECT_EQ(GetFileType(handle), FILE_TYPE_UNKNOWN);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

}  // namespace
}  // namespace posix_test
