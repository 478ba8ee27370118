// The entry point of a command-line program. The platform's entry
// (command_line_posix.cpp: main; command_line_win32.cpp: wmain, so that file
// names in any script arrive as typed) hands the arguments over as UTF-8, and
// the program defines what runs.
#pragma once

#include <vector>

#include "core/text.h"

namespace tilvane {

// Defined by the program: runs it with its arguments (without the program's
// own name) and returns its exit status.
int ProgramMain(std::vector<Text> arguments);

}  // namespace tilvane
