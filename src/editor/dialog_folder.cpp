#include "editor/dialog_folder.h"

#include "core/files.h"

namespace tilvane {

Text DialogStartFolder(const Editor& editor) {
  for (const Text& folder : {editor.lastDialogFolder, FolderOfPath(editor.document.currentPath)}) {
    if (IsFolder(folder)) return folder;
  }
  return HomeFolder();
}

bool RunFileDialog(Editor& editor, CommonDialog& dialog) {
  std::optional<Text> chosen = editor.prompts().FileDialog(dialog, DialogStartFolder(editor));
  if (!chosen) return false;
  dialog.fileName = *chosen;
  editor.lastDialogFolder = FolderOfPath(*chosen);
  return true;
}

}  // namespace tilvane
