// qiltool: inspects, builds and converts image groups (.qil) from the command
// line, on the same core as the editor.
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "core/platform/command_line.h"
#include "exit_codes.h"

namespace tilvane::qiltool {
namespace {

// The project's version, from the build (CMake's project()).
constexpr const char* kVersion = TILVANE_VERSION;

const Command* FindCommand(const Text& name) {
  for (const Command& command : AllCommands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

void PrintToolHelp(std::ostream& out) {
  out << "Usage: qiltool COMMAND [ARGUMENTS]\n"
         "Inspects, builds and converts image groups (.qil files).\n\nCommands:\n";
  for (const Command& command : AllCommands()) {
    Text name = command.name;
    out << "  " << name << Text(12 - name.size(), ' ') << command.summary << '\n';
  }
  out << "\n\"qiltool COMMAND --help\" tells more about one command.\n"
         "Every command that writes replaces its output only once the new bytes are\n"
         "on disk, and leaves its inputs alone when it cannot read them.\n\n"
         "Exit status:\n"
         "  0  success\n"
         "  1  bad input: a file that does not decode, a source that gives no icon,\n"
         "     an index out of range\n"
         "  2  usage: an unknown command or option, missing or extra arguments\n"
         "  3  write failure: an output could not be written (the old file is kept)\n";
}

void PrintCommandHelp(const Command& command) {
  std::cout << "Usage: qiltool " << command.synopsis << "\n\n" << command.details;
}

int UsageError(const Text& problem, const Command* command) {
  std::cerr << "qiltool: " << problem << '\n';
  if (command) {
    std::cerr << "Usage: qiltool " << command->synopsis << '\n';
  }
  std::cerr << "Try \"qiltool " << (command ? Text(command->name) + " " : Text()) << "--help\".\n";
  return kExitUsage;
}

int Run(const std::vector<Text>& words) {
  if (words.empty()) {
    PrintToolHelp(std::cerr);
    return kExitUsage;
  }
  const Text& first = words[0];
  if (first == "--help" || first == "-h") {
    PrintToolHelp(std::cout);
    return kExitOk;
  }
  if (first == "--version") {
    std::cout << "qiltool " << kVersion << '\n';
    return kExitOk;
  }
  if (first == "help") {
    if (words.size() == 1) {
      PrintToolHelp(std::cout);
      return kExitOk;
    }
    const Command* command = FindCommand(words[1]);
    if (!command) return UsageError("unknown command " + words[1], nullptr);
    PrintCommandHelp(*command);
    return kExitOk;
  }
  const Command* command = FindCommand(first);
  if (!command) return UsageError("unknown command " + first, nullptr);

  Text problem;
  std::optional<Arguments> args =
      ParseArguments(std::vector<Text>(words.begin() + 1, words.end()), command->options, problem);
  if (!args) return UsageError(problem, command);
  if (args->help) {
    PrintCommandHelp(*command);
    return kExitOk;
  }
  const std::size_t count = args->operands.size();
  if (count < command->minOperands) return UsageError("too few arguments", command);
  if (count > command->maxOperands) return UsageError("too many arguments", command);
  return command->run(*args);
}

}  // namespace
}  // namespace tilvane::qiltool

int tilvane::ProgramMain(std::vector<Text> words) {
  try {
    return tilvane::qiltool::Run(words);
  } catch (const std::bad_alloc&) {
    std::cerr << "qiltool: out of memory\n";
  } catch (const std::exception& error) {
    std::cerr << "qiltool: " << error.what() << '\n';
  }
  return tilvane::qiltool::kExitBadInput;
}
