#include "editor/intake_commands.h"

#include <new>

#include "core/imagegroup/collection.h"
#include "core/imagegroup/default_group.h"
#include "core/intake/add_icon.h"
#include "core/intake/path_rules.h"
#include "core/intake/shortcut.h"
#include "editor/dialog_folder.h"
#include "editor/layout.h"
#include "editor/messages.h"
#include "editor/refresh.h"

namespace tilvane {

namespace {

constexpr const char* kAddTitle = "请选择文件路径:";
constexpr const char* kAddFilter =
    "资源图标文件(*.exe)(*.dll)(*.ico)(*.mui)(*.lnk)(*.qil)|*.exe;*.dll;*.ico;*.mui;*.lnk;*.qil|所有文件|*.*";
constexpr const char* kNotAResourceFile = "您提供的文件不是标准的资源文件或图标文件!";
constexpr const char* kNotAFileShortcut = "非标准快捷方式,请勿托放例如{我的电脑}等操作系统快捷方式如本软件！";
constexpr const char* kShortcutTargetRefused = "该快捷方式目标不是标准的资源文件！";

IconList& List(Editor& editor) { return *editor.main.图标列表框; }

// Appends the first icon of `path` to the document and refreshes the list.
// The result is not examined: the title takes the modified form either way.
// A group that one more icon would make too large to open again is refused
// as running out of memory is: the command ends with its box, the document
// as it was.
void TakeIcon(Editor& editor, const Text& path) {
  if (IconWouldOutgrowReading(editor.document.imageGroupBytes)) throw std::bad_alloc();
  ImageGroupAddIcon(editor.document.imageGroupBytes, path, 0, false);
  RefreshIconList(editor);
  List(editor).setBackgroundColour(kListBackgroundLoaded);
}

// The group step shared by the Add command and drops: into the open group, or
// into a new one when the user agrees to make it.
void TakeIconIntoGroup(Editor& editor, const Text& path) {
  if (IsDocumentLoaded(editor)) {
    TakeIcon(editor, path);
    return;
  }
  if (ShowMessageBox(editor.prompts(), kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示") ==
      BoxAnswer::Yes) {
    CreateNewImageGroup(editor);
    TakeIcon(editor, path);
  }
}

bool EndsWithShortcutSuffix(const Text& path) {
  if (path.size() < 4) return false;
  Text tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".lnk";
}

// Steps 1 and 2 of the Add command; the chosen path, or nothing when cancelled.
std::optional<Text> PickAndTakeIcon(Editor& editor) {
  CommonDialog& dialog = editor.main.通用对话框1;
  dialog.kind = FileDialogKind::Open;
  dialog.title = kAddTitle;
  dialog.fileName.clear();
  dialog.filter = kAddFilter;
  dialog.initialFilterIndex = 0;
  if (!RunFileDialog(editor, dialog)) return std::nullopt;
  Text path = dialog.fileName;
  // A picked shortcut stands for its target, as a file dialog that follows links gives it.
  if (EndsWithShortcutSuffix(path)) {
    Text target = ReadShortcutTarget(path);
    if (!target.empty()) path = target;
  }
  TakeIconIntoGroup(editor, path);
  return path;
}

}  // namespace

Text PathExtension(Editor& editor, const Text& path) {
  auto extension = PathExtensionOf(path);
  if (!extension) {
    ShowPathShapeError(editor);
    return kInputError;
  }
  return *extension;
}

void CreateNewImageGroup(Editor& editor) {
  DocumentState& document = editor.document;
  document.imageGroupBytes = ThroughTemporaryFile(DefaultImageGroup());
  // The default group's one placeholder goes; its 32 x 32 cells, colour format and mask stay.
  ImageGroupRemove(document.imageGroupBytes, 0, 1);
  List(editor).clearItems();
  document.imageGroupBytes = ThroughTemporaryFile(document.imageGroupBytes);
  List(editor).setImageGroup(document.imageGroupBytes);
  SetMainCaption(editor, TitleModified(document.currentPath));
  editor.main.按钮4->setDisabled(false);
}

void OnAddImagesCommand(Editor& editor) {
  auto path = PickAndTakeIcon(editor);
  if (!path || PathExtension(editor, *path) != "qil") return;
  OpenGroupFileUnlessMerging(editor, *path, kMergeQuestion);
}

void OnAddImagesButton(Editor& editor) {
  auto path = PickAndTakeIcon(editor);
  if (!path || PathExtension(editor, *path) != "qil") return;
  // Merging does not exist; whichever the answer, the document stays as it is.
  ShowMessageBox(editor.prompts(), kMergeQuestion, BoxButtons::YesNo, BoxIcon::Question, "提示:");
}

void OnFilesDropped(Editor& editor, const Text& paths) {
  Text extension = PathExtension(editor, paths);
  if (!IsIntakeExtension(extension)) {
    ShowMessageBox(editor.prompts(), kNotAResourceFile, BoxButtons::Ok, BoxIcon::Information, "提示");
    return;
  }
  TakeIconIntoGroup(editor, paths);

  if (extension == "lnk") {
    Text target = ReadShortcutTarget(paths);
    if (target.empty()) {
      ShowMessageBox(editor.prompts(), kNotAFileShortcut, BoxButtons::Ok, BoxIcon::Information, "提示");
    } else if (!IsIntakeExtension(PathExtension(editor, target))) {
      ShowMessageBox(editor.prompts(), kShortcutTargetRefused, BoxButtons::Ok, BoxIcon::Information, "提示");
    } else if (IsDocumentLoaded(editor)) {
      TakeIcon(editor, target);
    }
  }

  if (extension == "qil") OpenGroupFileUnlessMerging(editor, paths, MergeQuestionWithNotice());
}

}  // namespace tilvane
