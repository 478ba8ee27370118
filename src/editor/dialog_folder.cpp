#include "editor/dialog_folder.h"

#include <QDir>
#include <QFileInfo>

#include "editor/widgets.h"

namespace tilvane {

namespace {

Text FolderOf(const Text& path) {
  if (path.empty()) return {};
  return TextOf(QFileInfo(QStringOf(path)).absolutePath());
}

bool IsFolder(const Text& path) { return !path.empty() && QFileInfo(QStringOf(path)).isDir(); }

}  // namespace

Text DialogStartFolder(const Editor& editor) {
  for (const Text& folder : {editor.lastDialogFolder, FolderOf(editor.document.currentPath)}) {
    if (IsFolder(folder)) return folder;
  }
  return TextOf(QDir::homePath());
}

bool RunFileDialog(Editor& editor, CommonDialog& dialog) {
  std::optional<Text> chosen = editor.prompts().FileDialog(dialog, DialogStartFolder(editor));
  if (!chosen) return false;
  dialog.fileName = *chosen;
  editor.lastDialogFolder = FolderOf(*chosen);
  return true;
}

}  // namespace tilvane
