// The context every handler gets: the one document, the controls of both
// windows by their names, the prompts and the music player.
#pragma once

#include <functional>
#include <memory>

#include "core/text.h"
#include "editor/prompts.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;

namespace tilvane {

class ColourPicker;
class DropTarget;
class ExportDialog;
class IconList;
class MainWindow;
class MidiPlayer;

struct DocumentState {
  Bytes imageGroupBytes;  // the working copy, as complete .qil bytes
  Text currentPath;       // the group's file; empty until first saved or opened
};

// The main window's controls, named as in its layout.
struct MainControls {
  MainWindow* window = nullptr;
  QPushButton* 按钮1 = nullptr;  // 打开文件
  QPushButton* 按钮2 = nullptr;  // 加入图片
  QPushButton* 按钮3 = nullptr;  // 删除图片
  QPushButton* 按钮4 = nullptr;  // 保存图组
  QPushButton* 按钮5 = nullptr;  // 另存为…
  IconList* 图标列表框 = nullptr;
  CommonDialog 通用对话框1;
  QTimer* 时钟1 = nullptr;
  DropTarget* 拖放对象1 = nullptr;
  // The hidden menu "文件", shown only as the icon list's context menu.
  QMenu* 文件 = nullptr;
  QAction* 打开图片组 = nullptr;
  QAction* 保存图片组 = nullptr;
  QAction* 图组另存为 = nullptr;
  QAction* 添加图片 = nullptr;
  QAction* 删除图片 = nullptr;
  QAction* 导出图片 = nullptr;
  QAction* 关闭音乐 = nullptr;
  QAction* 退出 = nullptr;
};

// The export dialog's controls.
struct ExportControls {
  ExportDialog* window = nullptr;
  QLabel* 标签1 = nullptr;
  QLabel* 标签2 = nullptr;
  QLabel* 标签3 = nullptr;
  QLabel* 图片框1 = nullptr;
  ColourPicker* 颜色选择器1 = nullptr;
  QPushButton* 按钮1 = nullptr;
  QPushButton* 按钮2 = nullptr;
  CommonDialog 通用对话框1;
};

// What the editor needs from outside: the prompts, the music player (may be
// absent) and the way the program ends.
struct EditorServices {
  Prompts* prompts = nullptr;
  MidiPlayer* music = nullptr;
  std::function<void(int)> quit;  // ends the event loop with an exit code
};

struct Editor {
  DocumentState document;
  MainControls main;
  ExportControls exportDialog;
  EditorServices services;
  bool ended = false;     // EndProgram has run
  Text lastDialogFolder;  // the folder of the file last chosen in a file dialog

  Editor() = default;
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;
  ~Editor();  // deletes the main window and with it every control

  Prompts& prompts() const { return *services.prompts; }
};

// The three title forms.
Text TitleIdle();
Text TitleSaved(const Text& currentPath);
Text TitleModified(const Text& currentPath);

// The window title as text, and setting it.
Text MainCaption(const Editor& editor);
void SetMainCaption(Editor& editor, const Text& caption);

// Modified: the title's last character is ")".
bool IsModified(const Editor& editor);
// Document loaded: the title differs from TitleIdle.
bool IsDocumentLoaded(const Editor& editor);

// The temporary folder followed by "临时图片组.tmp".
Text TempImageGroupPath();

// Ends the program: removes the temporary file, stops the music and leaves the
// event loop with `code`. Handlers return right after calling it.
void EndProgram(Editor& editor, int code);

}  // namespace tilvane
