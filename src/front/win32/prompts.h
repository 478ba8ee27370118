// The prompts over the system's message boxes and common file dialogs.
#pragma once

#include "editor/prompts.h"

namespace tilvane::win32 {

class Win32Prompts final : public Prompts {
 public:
  BoxAnswer MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) override;
  std::optional<Text> FileDialog(const CommonDialog& dialog, const Text& startFolder) override;
};

}  // namespace tilvane::win32
