// The command line of one qiltool command: its operands and options.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/text.h"

namespace tilvane::qiltool {

// What a command accepts: options that stand alone and options that take a value.
struct OptionSpec {
  std::set<std::string> flags;
  std::set<std::string> valued;
};

struct Arguments {
  std::vector<Text> operands;
  std::set<std::string> flags;
  std::map<std::string, Text> values;
  bool help = false;

  bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<Text> Value(const std::string& option) const;
};

// Splits `args` (everything after the command name). Options may stand
// anywhere ("--icon 2" or "--icon=2"); "--" ends them, so that a file named
// "-x" can be given; "-h" and "--help" are always known. A word that looks like
// a negative number is an operand, so that the command can say why it is wrong.
// Nothing, with `problem` set, for an unknown option or a missing value.
std::optional<Arguments> ParseArguments(const std::vector<Text>& args, const OptionSpec& spec, Text& problem);

}  // namespace tilvane::qiltool
