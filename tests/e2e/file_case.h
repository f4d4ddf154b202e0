// A table row: one input file, the arguments, and what must come out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_name.h"
#include "harness.h"

namespace e2e {

// Stands for the input file's name in FileCase::args.
inline const std::string INPUT = "@input";

struct FileCase : test_support::NamedCase {
    std::string file;  // the bytes of the input file
    std::vector<std::string> args;
    std::string out;  // expected stdout
    int status = 0;
};

// Writes the file in a scratch folder, runs the program on it and checks
// stdout, an empty stderr and the status; with a native build at hand, also
// requires the native build to produce the same.
void check_file_case(const FileCase& c, StdoutTarget target = StdoutTarget::PIPE);

}  // namespace e2e
