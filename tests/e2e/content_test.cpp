// What the copy does to the bytes: line ends, long lines, Ctrl-Z, zero bytes.
#include <gtest/gtest.h>

#include "bytes.h"
#include "case_name.h"
#include "file_case.h"

namespace e2e {
namespace {

using namespace std::string_literals;

// The most characters one line piece holds.
constexpr size_t PIECE = 4095;

const std::string P4094 = pattern(PIECE - 1);
const std::string P4095 = pattern(PIECE);
const std::string P5000 = pattern(5000);

std::string with_zero_at(std::string text, size_t at) {
    text[at] = '\0';
    return text;
}

class LineEnds : public ::testing::TestWithParam<FileCase> {};
TEST_P(LineEnds, TranslatedAsInText) {
    check_file_case(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineEnds,
    ::testing::Values(
        FileCase{"bare_lf_leaves_as_cr_lf", "a\nb\nc\n", {INPUT}, "a\r\nb\r\nc\r\n"},
        FileCase{"cr_lf_count_2", "one\r\ntwo\r\nthree\r\n", {"-2", INPUT}, "one\r\ntwo\r\n"},
        FileCase{"only_cr_lf_pairs_each_a_line", repeat("\r\n", 25), {INPUT}, repeat("\r\n", 20)},
        FileCase{"mixed_line_ends", "a\r\nb\nc\r\n", {INPUT}, "a\r\nb\r\nc\r\n"},
        FileCase{"last_line_without_lf", "a\nb", {INPUT}, "a\r\nb"}, FileCase{"empty_file", "", {INPUT}, ""},
        FileCase{"lone_cr_at_end_kept", "xyz\r", {INPUT}, "xyz\r"}, FileCase{"file_of_one_cr", "\r", {INPUT}, "\r"},
        FileCase{"cr_inside_line_kept", "a\rb\n", {INPUT}, "a\rb\r\n"},
        FileCase{"cr_cr_lf", "x\r\r\ny", {INPUT}, "x\r\r\ny"}, FileCase{"lf_cr", "x\n\ry", {INPUT}, "x\r\n\ry"},
        FileCase{"lf_cr_lf", "a\n\r\nb", {INPUT}, "a\r\n\r\nb"},
        FileCase{"cr_lf_lines_count_3_of_pairs", "\r\n\r\n\r\n\r\n", {"-3", INPUT}, "\r\n\r\n\r\n"}),
    test_support::CaseName());

class LongLines : public ::testing::TestWithParam<FileCase> {};
TEST_P(LongLines, SplitIntoPiecesOf4095) {
    check_file_case(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, LongLines,
    ::testing::Values(FileCase{"line_5000_whole", P5000 + "\n", {INPUT}, P5000 + "\r\n"},
                      FileCase{"line_5000_count_1_first_piece_only", P5000 + "\nz\n", {"-1", INPUT}, P4095},
                      FileCase{"line_5000_count_2_both_pieces", P5000 + "\nz\n", {"-2", INPUT}, P5000 + "\r\n"},
                      FileCase{"line_4095_lf_count_1", P4095 + "\nz\n", {"-1", INPUT}, P4095},
                      FileCase{"line_4095_lf_is_two_pieces", P4095 + "\nz\n", {"-2", INPUT}, P4095 + "\r\n"},
                      FileCase{"line_4095_lf_whole", P4095 + "\nz\n", {INPUT}, P4095 + "\r\nz\r\n"},
                      // The first read ends in the CR; its LF arrives with the next read.
                      FileCase{"line_4095_cr_lf_byte_for_byte", P4095 + "\r\ny\r\n", {INPUT}, P4095 + "\r\ny\r\n"},
                      FileCase{"line_4095_cr_lf_count_1", P4095 + "\r\ny\r\n", {"-1", INPUT}, P4095},
                      FileCase{"line_4095_cr_lf_is_two_pieces", P4095 + "\r\ny\r\n", {"-2", INPUT}, P4095 + "\r\n"},
                      FileCase{"line_4095_cr_then_letter", P4095 + "\rY\n", {INPUT}, P4095 + "\rY\r\n"},
                      FileCase{"line_4095_cr_then_letter_count_1", P4095 + "\rY\n", {"-1", INPUT}, P4095},
                      FileCase{"line_4095_cr_at_end_of_file", P4095 + "\r", {INPUT}, P4095 + "\r"},
                      FileCase{"line_4094_cr_lf_one_piece", P4094 + "\r\nz\r\n", {"-1", INPUT}, P4094 + "\r\n"},
                      FileCase{"line_4094_lf_one_piece", P4094 + "\nz\n", {"-1", INPUT}, P4094 + "\r\n"},
                      FileCase{"short_line_then_cr_lf_across_first_read",
                               "ab\n" + P4094.substr(2) + "\r\nz\n",
                               {INPUT},
                               "ab\r\n" + P4094.substr(2) + "\r\nz\r\n"}),
    test_support::CaseName());

class CtrlZ : public ::testing::TestWithParam<FileCase> {};
TEST_P(CtrlZ, EndsTheData) {
    check_file_case(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, CtrlZ,
                         ::testing::Values(FileCase{"mid_line_cuts_it_short",
                                                    "ab\ncd\x1a"
                                                    "ef\ngh\n",
                                                    {INPUT},
                                                    "ab\r\ncd"},
                                           FileCase{"after_a_line",
                                                    "ab\n\x1a"
                                                    "cd\n",
                                                    {INPUT},
                                                    "ab\r\n"},
                                           FileCase{"first_byte_no_output",
                                                    "\x1a"
                                                    "abc\n",
                                                    {INPUT},
                                                    ""},
                                           FileCase{"between_cr_and_lf", "a\r\x1a\nb\n", {INPUT}, "a\r"},
                                           FileCase{"in_second_read",
                                                    P4095 + "\nb\n\x1a"
                                                            "c\n",
                                                    {INPUT},
                                                    P4095 + "\r\nb\r\n"},
                                           FileCase{"right_after_cr_ending_first_read",
                                                    P4095 + "\r\x1a"
                                                            "z\n",
                                                    {INPUT},
                                                    P4095 + "\r"}),
                         test_support::CaseName());

class DataBytes : public ::testing::TestWithParam<FileCase> {};
TEST_P(DataBytes, CopiedAsData) {
    check_file_case(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataBytes,
    ::testing::Values(
        FileCase{"zero_inside_line_written_whole", "a\0b\nc\n"s, {INPUT}, "a\0b\r\nc\r\n"s},
        FileCase{"zero_piece_counts_one_line", "a\0b\nc\n"s, {"-1", INPUT}, "a\0b\r\n"s},
        FileCase{"zero_first_in_line", "\0abc\nd\n"s, {"-1", INPUT}, "\0abc\r\n"s},
        FileCase{"lines_of_only_zero", "\0\n\0\n"s, {INPUT}, "\0\r\n\0\r\n"s},
        FileCase{"zero_inside_long_line", with_zero_at(P5000, 100) + "\n", {"-1", INPUT}, with_zero_at(P4095, 100)},
        FileCase{"zero_in_last_line_without_lf", "a\nb\0c"s, {INPUT}, "a\r\nb\0c"s},
        FileCase{"byte_255_and_high_bytes", "\xff\xfe\x80\n", {INPUT}, "\xff\xfe\x80\r\n"},
        FileCase{"other_control_bytes", "\x01\x1b\x7f\t\v\f\n", {INPUT}, "\x01\x1b\x7f\t\v\f\r\n"}),
    test_support::CaseName());

}  // namespace
}  // namespace e2e
