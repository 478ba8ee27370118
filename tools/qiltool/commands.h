// The commands of qiltool: what each accepts, its help text and the function
// that runs it. Each function returns an ExitCode.
#pragma once

#include <cstddef>
#include <limits>
#include <span>

#include "arguments.h"

namespace tilvane::qiltool {

inline constexpr std::size_t kAnyNumber = std::numeric_limits<std::size_t>::max();

struct Command {
  const char* name;
  const char* synopsis;  // the usage line after "qiltool "
  const char* summary;   // one line for the command list
  const char* details;   // the body of "qiltool NAME --help"
  OptionSpec options;
  std::size_t minOperands;
  std::size_t maxOperands;
  int (*run)(const Arguments&);
};

std::span<const Command> AllCommands();

int RunInfo(const Arguments& args);
int RunNew(const Arguments& args);
int RunAdd(const Arguments& args);
int RunRemove(const Arguments& args);
int RunMove(const Arguments& args);
int RunMerge(const Arguments& args);
int RunExport(const Arguments& args);
int RunExportAll(const Arguments& args);
int RunTarget(const Arguments& args);
int RunCheck(const Arguments& args);
int RunThumbnail(const Arguments& args);

}  // namespace tilvane::qiltool
