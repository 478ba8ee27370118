#include "editor/export_dialog.h"

#include "core/export/picture.h"
#include "core/files.h"
#include "editor/dialog_folder.h"
#include "editor/layout.h"
#include "editor/main_window.h"
#include "editor/messages.h"

namespace tilvane {

namespace {

constexpr const char* kNothingToExport = "当前图片组中图片数量为0或未载入图片组,无法导出图片!";
constexpr const char* kSelectFirst = "请选择要导出的图片！";
constexpr const char* kNoImageToExport = "没有可导出的图片:请先在图标列表中选择一张图片。";
constexpr const char* kExportDone = "导出图片文件操作已完成";

Colour FillColour(const Editor& editor) { return editor.exportDialog.颜色选择器1->colour(); }

void ShowDialog(Editor& editor) {
  LoadExportDialog(editor);
  editor.exportDialog.window->setVisible(true);
}

Bytes RenderSelected(const Editor& editor, Colour fill) {
  const IconList& list = *editor.main.图标列表框;
  return ImageGroupPicture(list.imageGroup(), list.selectedIndex(), fill);
}

}  // namespace

// The preview shows the very bytes an export would write.
void RefreshExportPreview(Editor& editor, Colour fill) {
  editor.exportDialog.图片框1->setPicture(RenderSelected(editor, fill));
}

void OnExportCommand(Editor& editor) {
  const IconList& list = *editor.main.图标列表框;
  if (list.itemCount() == 0) {
    ShowMessageBox(editor.prompts(), kNothingToExport, BoxButtons::Ok, BoxIcon::None, "提示:");
    return;
  }
  if (list.selectedIndex() == -1) {
    ShowMessageBox(editor.prompts(), kSelectFirst, BoxButtons::Ok, BoxIcon::Warning, "警告:");
    return;
  }
  ShowDialog(editor);
  RefreshExportPreview(editor, FillColour(editor));
}

void OnIconListDoubleClick(Editor& editor) {
  ShowDialog(editor);
  RefreshExportPreview(editor, FillColour(editor));
}

void OnIconListCurrentChanged(Editor& editor) {
  const Window* dialog = editor.exportDialog.window.get();
  if (dialog && dialog->visible()) RefreshExportPreview(editor, FillColour(editor));
}

void OnFillColourChanged(Editor& editor) { RefreshExportPreview(editor, FillColour(editor)); }

void OnExportDialogCreated(Editor& editor) { RefreshExportPreview(editor, kDefaultFillColour); }

bool OnExportDialogCloseRequest(Editor& editor) {
  editor.exportDialog.window->setVisible(false);
  return false;
}

void OnExportDialogClose(Editor& editor) { editor.exportDialog.window->setVisible(false); }

void OnExportConfirm(Editor& editor) {
  CommonDialog& dialog = editor.exportDialog.通用对话框1;
  dialog.kind = FileDialogKind::Save;
  dialog.title = "请选择要保存的文件名：";
  dialog.fileName.clear();
  dialog.filter = "位图(BMP)|*.bmp";
  dialog.defaultExtension = "bmp";
  if (!RunFileDialog(editor, dialog)) return;
  Bytes bmp = RenderSelected(editor, FillColour(editor));
  Text path = dialog.fileName;
  // An empty file reported as a finished export would be a failure passed off as success.
  if (bmp.empty()) {
    ShowMessageBox(editor.prompts(), kNoImageToExport, BoxButtons::Ok, BoxIcon::Warning, "提示:");
    return;
  }
  SaveResult result = SaveFileAtomically(path, bmp);
  if (!result.ok) {
    ShowWriteFailure(editor, path, result.reason);
    return;
  }
  ShowMessageBox(editor.prompts(), kExportDone, BoxButtons::Ok, BoxIcon::Information, "提示:");
  editor.exportDialog.window->setVisible(false);
}

}  // namespace tilvane
