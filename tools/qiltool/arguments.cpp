#include "arguments.h"

#include <cctype>

namespace tilvane::qiltool {

std::optional<Text> Arguments::Value(const std::string& option) const {
  auto found = values.find(option);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

namespace {

bool LooksLikeOption(const Text& word) {
  if (word.size() < 2 || word[0] != '-') return false;
  return !std::isdigit(static_cast<unsigned char>(word[1]));
}

}  // namespace

std::optional<Arguments> ParseArguments(const std::vector<Text>& args, const OptionSpec& spec, Text& problem) {
  Arguments parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Text& word = args[i];
    if (optionsEnded || !LooksLikeOption(word)) {
      parsed.operands.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    if (word == "-h" || word == "--help") {
      parsed.help = true;
      continue;
    }
    Text name = word;
    std::optional<Text> inlineValue;
    if (auto equals = word.find('='); equals != Text::npos) {
      name = word.substr(0, equals);
      inlineValue = word.substr(equals + 1);
    }
    if (spec.flags.count(name) != 0 && !inlineValue) {
      parsed.flags.insert(name);
    } else if (spec.valued.count(name) != 0) {
      if (inlineValue) {
        parsed.values[name] = *inlineValue;
      } else if (i + 1 < args.size()) {
        parsed.values[name] = args[++i];
      } else {
        problem = "option " + name + " needs a value";
        return std::nullopt;
      }
    } else {
      problem = "unknown option " + name;
      return std::nullopt;
    }
  }
  return parsed;
}

}  // namespace tilvane::qiltool
