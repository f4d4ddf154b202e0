#include "stream/error.h"

#include <algorithm>
#include <iterator>

namespace lintop {

int32_t error_number = 0;
DWORD system_error_code = 0;

namespace {

struct CodeClass {
    DWORD code;
    int32_t number;
};

constexpr CodeClass CODE_CLASSES[] = {
    {1, error_numbers::INVAL},    {2, error_numbers::NOENT},    {3, error_numbers::NOENT},
    {4, error_numbers::MFILE},    {5, error_numbers::ACCES},    {6, error_numbers::BADF},
    {7, error_numbers::NOMEM},    {8, error_numbers::NOMEM},    {9, error_numbers::NOMEM},
    {10, error_numbers::TWO_BIG}, {11, error_numbers::NOEXEC},  {12, error_numbers::INVAL},
    {13, error_numbers::INVAL},   {15, error_numbers::NOENT},   {16, error_numbers::ACCES},
    {17, error_numbers::XDEV},    {18, error_numbers::NOENT},   {33, error_numbers::ACCES},
    {53, error_numbers::NOENT},   {65, error_numbers::ACCES},   {67, error_numbers::NOENT},
    {80, error_numbers::EXIST},   {82, error_numbers::ACCES},   {83, error_numbers::ACCES},
    {87, error_numbers::INVAL},   {89, error_numbers::AGAIN},   {108, error_numbers::ACCES},
    {109, error_numbers::PIPE},   {112, error_numbers::NOSPC},  {114, error_numbers::BADF},
    {128, error_numbers::CHILD},  {129, error_numbers::CHILD},  {130, error_numbers::BADF},
    {131, error_numbers::INVAL},  {132, error_numbers::ACCES},  {145, error_numbers::NOTEMPTY},
    {158, error_numbers::ACCES},  {161, error_numbers::NOENT},  {164, error_numbers::AGAIN},
    {167, error_numbers::ACCES},  {183, error_numbers::EXIST},  {206, error_numbers::NOENT},
    {215, error_numbers::AGAIN},  {1816, error_numbers::NOMEM},
};

// In ascending order of code, which also keeps each code once.
constexpr bool ascending_codes() {
    return std::adjacent_find(std::begin(CODE_CLASSES), std::end(CODE_CLASSES),
                              [](const CodeClass& a, const CodeClass& b) { return a.code >= b.code; }) ==
           std::end(CODE_CLASSES);
}
static_assert(std::size(CODE_CLASSES) == 44 && ascending_codes(), "the table holds 44 codes, each once");

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
        return error_numbers::ACCES;
    }
    if (code >= FIRST_EXEC_CODE && code <= LAST_EXEC_CODE) {
        return error_numbers::NOEXEC;
    }
    return error_numbers::INVAL;
}

}  // namespace

void map_system_error(DWORD code) {
    system_error_code = code;
    error_number = classify(code);
}

void map_transfer_error(DWORD code) {
    if (code == ERROR_ACCESS_DENIED) {
        error_number = error_numbers::BADF;
        system_error_code = code;
        return;
    }
    map_system_error(code);
}

void set_error(int32_t number) {
    error_number = number;
    system_error_code = 0;
}

}  // namespace lintop
