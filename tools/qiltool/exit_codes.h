// The exit statuses qiltool promises scripts; --help lists them.
#pragma once

namespace tilvane::qiltool {

enum ExitCode : int {
  kExitOk = 0,
  kExitBadInput = 1,     // a file that does not decode, a source with no icon, an index out of range
  kExitUsage = 2,        // unknown command or option, wrong number of arguments
  kExitWriteFailed = 3,  // an output could not be written; the old file, if any, is left whole
};

}  // namespace tilvane::qiltool
