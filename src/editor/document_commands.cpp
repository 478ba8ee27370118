#include "editor/document_commands.h"

#include "core/files.h"
#include "core/imagegroup/collection.h"
#include "core/intake/path_rules.h"
#include "editor/dialog_folder.h"
#include "editor/layout.h"
#include "editor/messages.h"
#include "editor/refresh.h"

namespace tilvane {

namespace {

constexpr const char* kOpenTitle = "请选择要打开的Quill图片组文件:";
constexpr const char* kSaveTitle = "请选择保存路径:";
constexpr const char* kOpenFilter = "Quill图片组(qil)|*.qil";
constexpr const char* kSaveFilterMenu = "Quill图片组(*.qil)|*.qil";
constexpr const char* kSaveFilterButton = "Quill图片组(qil)|*.qil";
constexpr const char* kDefaultName = "图片组1";
constexpr const char* kDefaultNameButton = "图片组1.qil";
constexpr const char* kCopySuffix = "_副本";
constexpr const char* kNothingToDelete = "当前图片组中图片数量为0或未载入图片组,你想删除什么~?";
constexpr const char* kNoSelection = "请选择需要删除的图片!";
constexpr const char* kLeaveQuestion = "当前图片组数据已更改,是否保存更改图片组数据?";
constexpr const char* kCannotOpen = "无法打开文件,它不存在或不可读:";

// Sets kind, title, file name and filter, in that order, and runs the dialog.
bool DialogRun(Editor& editor, FileDialogKind kind, const Text& title, const Text& fileName, const Text& filter) {
  CommonDialog& dialog = editor.main.通用对话框1;
  dialog.kind = kind;
  dialog.title = title;
  dialog.fileName = fileName;
  dialog.filter = filter;
  return RunFileDialog(editor, dialog);
}

Text ChosenPath(const Editor& editor) { return editor.main.通用对话框1.fileName; }

int ItemCount(const Editor& editor) { return editor.main.图标列表框->itemCount(); }

void ShowNothingToSave(Editor& editor) {
  ShowMessageBox(editor.prompts(), kNothingToSave, BoxButtons::Ok, BoxIcon::None, "提示:");
}

// Writes the document to `path` so that an existing file there is replaced
// only once every byte is safely written. On failure the user is told, and the
// document, its path, the title and the temporary file stay as they were.
bool WriteDocument(Editor& editor, const Text& path) {
  SaveResult result = SaveFileAtomically(path, editor.document.imageGroupBytes);
  if (!result.ok) ShowWriteFailure(editor, path, result.reason);
  return result.ok;
}

void Save(Editor& editor, const Text& proposedName, const Text& filter) {
  if (ItemCount(editor) == 0) {
    ShowNothingToSave(editor);
    return;
  }
  if (editor.document.currentPath.empty()) {
    if (!DialogRun(editor, FileDialogKind::Save, kSaveTitle, proposedName, filter)) return;
    Text path = ChosenPath(editor);
    if (!WriteDocument(editor, path)) return;
    editor.document.currentPath = path;
    LoadGroupFileAsDocument(editor);
    editor.main.按钮4->setDisabled(true);
    return;
  }
  // The timer disables 按钮4 on its next tick, as the title no longer ends with ")".
  if (!WriteDocument(editor, editor.document.currentPath)) return;
  LoadGroupFileAsDocument(editor);
}

// Save As; `appendExtension` is the button's ".qil" added to the chosen path.
void SaveAs(Editor& editor, const Text& filter, bool appendExtension) {
  if (ItemCount(editor) == 0) {
    ShowNothingToSave(editor);
    return;
  }
  Text proposed =
      editor.document.currentPath.empty()
          ? Text(kDefaultName)
          : JoinTexts(PathFileName(editor, editor.document.currentPath, FileNamePart::WithoutExtension), kCopySuffix);
  if (!DialogRun(editor, FileDialogKind::Save, kSaveTitle, proposed, filter)) return;
  Text target = ChosenPath(editor);
  if (appendExtension) {
    target += ".qil";
    // The dialog asked about the name it returned, not about this one.
    if (PathExists(target) && !ConfirmReplace(editor, target)) return;
  }
  if (!WriteDocument(editor, target)) return;
  editor.document.currentPath = target;
  SetMainCaption(editor, TitleSaved(target));
  LoadGroupFileAsDocument(editor);
  editor.main.按钮4->setDisabled(true);
}

void Delete(Editor& editor) {
  ImageGroupRemove(editor.document.imageGroupBytes, editor.main.图标列表框->selectedIndex());
  RefreshIconList(editor);
  editor.main.图标列表框->setBackgroundColour(ItemCount(editor) == 0 ? kListBackgroundIdle : kListBackgroundLoaded);
}

}  // namespace

void OnOpenButton(Editor& editor) {
  if (!DialogRun(editor, FileDialogKind::Open, kOpenTitle, "", kOpenFilter)) return;
  OpenGroupFile(editor, ChosenPath(editor));
}

void OpenDocumentFile(Editor& editor, const Text& path) {
  // The open dialog accepts only an existing file; a name given from outside gets the same check.
  if (!IsReadableFile(path)) {
    ShowMessageBox(editor.prompts(), JoinTexts(kCannotOpen, kLineBreak, path), BoxButtons::Ok, BoxIcon::Warning,
                   "错误");
    return;
  }
  OpenGroupFile(editor, path);
}

void OnOpenMenu(Editor& editor) {
  if (!DialogRun(editor, FileDialogKind::Open, kOpenTitle, "", kOpenFilter)) return;
  OpenGroupFileUnlessMerging(editor, ChosenPath(editor), MergeQuestionWithNotice());
}

void OnSaveButton(Editor& editor) { Save(editor, kDefaultNameButton, kSaveFilterButton); }
void OnSaveMenu(Editor& editor) { Save(editor, kDefaultName, kSaveFilterMenu); }
void OnSaveAsButton(Editor& editor) { SaveAs(editor, kSaveFilterButton, true); }
void OnSaveAsMenu(Editor& editor) { SaveAs(editor, kSaveFilterMenu, false); }

void OnDeleteButton(Editor& editor) {
  if (ItemCount(editor) == 0) {
    ShowMessageBox(editor.prompts(), kNothingToDelete, BoxButtons::Ok, BoxIcon::None, "提示:");
    return;
  }
  if (editor.main.图标列表框->selectedIndex() == -1) {
    ShowMessageBox(editor.prompts(), kNoSelection, BoxButtons::Ok, BoxIcon::Information, "提示");
    return;
  }
  Delete(editor);
}

// The context menu offers this only while an image is selected.
void OnDeleteMenu(Editor& editor) { Delete(editor); }

LeavingOutcome SaveBeforeLeaving(Editor& editor) {
  if (ItemCount(editor) == 0) {
    ShowNothingToSave(editor);
    return LeavingOutcome::NothingToSave;
  }
  Text path = editor.document.currentPath;
  if (path.empty()) {
    if (!DialogRun(editor, FileDialogKind::Save, kSaveTitle, kDefaultName, kSaveFilterButton))
      return LeavingOutcome::Cancelled;
    path = ChosenPath(editor);
  }
  if (!WriteDocument(editor, path)) return LeavingOutcome::WriteFailed;
  editor.document.currentPath = path;
  LoadGroupFileAsDocument(editor);
  return LeavingOutcome::Saved;
}

std::optional<bool> OnMainCloseRequest(Editor& editor) {
  if (!IsModified(editor)) return std::nullopt;
  BoxAnswer answer =
      ShowMessageBox(editor.prompts(), kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:");
  if (answer == BoxAnswer::Cancel) return false;
  if (answer == BoxAnswer::No) return true;
  if (answer == BoxAnswer::Yes) {
    switch (SaveBeforeLeaving(editor)) {
      case LeavingOutcome::Saved: return true;
      case LeavingOutcome::NothingToSave: return std::nullopt;
      // Leaving now would lose the changes the user just asked to keep.
      case LeavingOutcome::Cancelled:
      case LeavingOutcome::WriteFailed: return false;
    }
  }
  return std::nullopt;
}

void OnExitCommand(Editor& editor) {
  if (!IsModified(editor)) {
    EndProgram(editor, 0);
    return;
  }
  BoxAnswer answer =
      ShowMessageBox(editor.prompts(), kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:");
  if (answer == BoxAnswer::No) {
    EndProgram(editor, 0);
    return;
  }
  if (answer == BoxAnswer::Yes && SaveBeforeLeaving(editor) == LeavingOutcome::Saved) EndProgram(editor, 0);
}

bool OnSessionEnding(Editor& editor) {
  if (!IsModified(editor)) return true;
  BoxAnswer answer =
      ShowMessageBox(editor.prompts(), kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:");
  if (answer == BoxAnswer::No) return true;
  if (answer != BoxAnswer::Yes) return false;
  LeavingOutcome outcome = SaveBeforeLeaving(editor);
  return outcome == LeavingOutcome::Saved || outcome == LeavingOutcome::NothingToSave;
}

Text PathFileName(Editor& editor, const Text& path, FileNamePart part) {
  PathNameResult result = PathFileNameOf(path, static_cast<int>(part));
  switch (result.problem) {
    case PathNameProblem::WrongShape: ShowPathShapeError(editor); return kInputError;
    case PathNameProblem::NetworkPathWithoutHost:
      ShowMessageBox(editor.prompts(), "您输入的网络路径错误,原因是没有网址而直接输入的文件名称!", BoxButtons::Ok,
                     BoxIcon::None);
      return kInputError;
    case PathNameProblem::None: break;
  }
  return result.name;
}

}  // namespace tilvane
