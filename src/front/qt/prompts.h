// The real prompts: QMessageBox and QFileDialog.
#pragma once

#include "editor/prompts.h"

namespace tilvane::qt {

class QtPrompts : public Prompts {
 public:
  BoxAnswer MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) override;
  std::optional<Text> FileDialog(const CommonDialog& dialog, const Text& startFolder) override;
};

}  // namespace tilvane::qt
