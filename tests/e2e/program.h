// Which command line starts the program, read from the environment.
#pragma once

#include <string>
#include <vector>

#include "harness.h"

namespace e2e {

// The variable's value; empty when it is not set.
std::string env_text(const char* name);

// The runner's words (if any), then the program's absolute path. Throws when
// the build's variable is not set.
std::vector<std::string> command_for(Build build);

// Removes LINTOP_WORK at the end of the run if this process created it and
// nothing is left in it.
void remove_work_root_if_created();

}  // namespace e2e
