// Path rules shared by the add, drop and save-as commands. A path has the
// standard shape when it holds ":\" or "://" anywhere, or is an absolute POSIX
// path; a relative path or a network share ("\\server\share") does not.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/text.h"

namespace tilvane {

// The extensions intake takes in, compared exactly (lower case, byte for byte).
inline constexpr std::array<std::string_view, 7> IntakeExtensions = {"exe", "dll", "ocx", "mui",
                                                                     "ico", "lnk", "qil"};

bool IsIntakeExtension(std::string_view extension);

bool HasStandardPathShape(std::string_view path);

// Everything after the last "." (the whole path when there is none), or
// nothing for a path of the wrong shape.
std::optional<Text> PathExtensionOf(std::string_view path);

enum class PathNameProblem { None, WrongShape, NetworkPathWithoutHost };

struct PathNameResult {
  PathNameProblem problem = PathNameProblem::None;
  Text name;
};

// The file name after the last separator ("\" when the path holds ":\", else
// "/"); mode 1 keeps the extension, any other mode gives the part before the
// last "." (empty when the name has none).
PathNameResult PathFileNameOf(std::string_view path, int mode);

}  // namespace tilvane
