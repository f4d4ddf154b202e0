#include "stream/error.h"

int32_t error_number = 0;
DWORD system_error_code = 0;

namespace {

struct CodeClass {
    DWORD code;
    int32_t number;
};

constexpr CodeClass CODE_CLASSES[] = {
    {1, EINVAL},      {2, ENOENT},    {3, ENOENT},   {4, EMFILE},   {5, EACCES},   {6, EBADF},    {7, ENOMEM},
    {8, ENOMEM},      {9, ENOMEM},    {10, E2BIG},   {11, ENOEXEC}, {12, EINVAL},  {13, EINVAL},  {15, ENOENT},
    {16, EACCES},     {17, EXDEV},    {18, ENOENT},  {33, EACCES},  {53, ENOENT},  {65, EACCES},  {67, ENOENT},
    {80, EEXIST},     {82, EACCES},   {83, EACCES},  {87, EINVAL},  {89, EAGAIN},  {108, EACCES}, {109, EPIPE},
    {112, ENOSPC},    {114, EBADF},   {128, ECHILD}, {129, ECHILD}, {130, EBADF},  {131, EINVAL}, {132, EACCES},
    {145, ENOTEMPTY}, {158, EACCES},  {161, ENOENT}, {164, EAGAIN}, {167, EACCES}, {183, EEXIST}, {206, ENOENT},
    {215, EAGAIN},    {1816, ENOMEM},
};

// Codes outside the table fall into two ranges: the sharing and write-protect
// failures, and the executable-format failures.
constexpr DWORD FIRST_ACCESS_CODE = 19;  // ERROR_WRITE_PROTECT
constexpr DWORD LAST_ACCESS_CODE = 36;   // ERROR_SHARING_BUFFER_EXCEEDED
constexpr DWORD FIRST_EXEC_CODE = 188;   // ERROR_INVALID_STARTING_CODESEG
constexpr DWORD LAST_EXEC_CODE = 202;    // ERROR_INFLOOP_IN_RELOC_CHAIN

int32_t classify(DWORD code) {
    for (const CodeClass& entry : CODE_CLASSES) {
        if (entry.code == code) {
            return entry.number;
        }
    }
    if (code >= FIRST_ACCESS_CODE && code <= LAST_ACCESS_CODE) {
        return EACCES;
    }
    if (code >= FIRST_EXEC_CODE && code <= LAST_EXEC_CODE) {
        return ENOEXEC;
    }
    return EINVAL;
}

}  // namespace

void map_system_error(DWORD code) {
    system_error_code = code;
    error_number = classify(code);
}

void set_error(int32_t number) {
    error_number = number;
    system_error_code = 0;
}
