#include "core/intake/path_rules.h"

#include <algorithm>

namespace tilvane {

bool IsIntakeExtension(std::string_view extension) {
  return std::find(IntakeExtensions.begin(), IntakeExtensions.end(), extension) != IntakeExtensions.end();
}

bool HasStandardPathShape(std::string_view path) {
  return FindText(path, ":\\") != -1 || FindText(path, "://") != -1 || (!path.empty() && path.front() == '/');
}

std::optional<Text> PathExtensionOf(std::string_view path) {
  if (!HasStandardPathShape(path)) return std::nullopt;
  int dot = FindTextBackward(path, ".");
  if (dot == -1) return Text(path);
  return RightText(path, TextLength(path) - dot);
}

PathNameResult PathFileNameOf(std::string_view path, int mode) {
  if (!HasStandardPathShape(path)) return {PathNameProblem::WrongShape, {}};
  int scheme = FindText(path, "://");
  if (scheme != -1 && FindTextBackward(path, "/") == scheme + 2) return {PathNameProblem::NetworkPathWithoutHost, {}};

  std::string_view separator = FindText(path, ":\\") != -1 ? "\\" : "/";
  int last = FindTextBackward(path, separator);
  Text name = last == -1 ? Text(path) : RightText(path, TextLength(path) - last);
  if (mode == 1) return {PathNameProblem::None, name};
  int dot = FindTextBackward(name, ".");
  return {PathNameProblem::None, dot == -1 ? Text() : LeftText(name, dot - 1)};
}

}  // namespace tilvane
