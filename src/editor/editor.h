// The context every handler gets: the one document, the controls of both
// windows by their names, the prompts and the music player.
#pragma once

#include <functional>
#include <memory>

#include "core/text.h"
#include "editor/controls.h"
#include "editor/prompts.h"

namespace tilvane {

class MidiPlayer;

struct DocumentState {
  Bytes imageGroupBytes;  // the working copy, as complete .qil bytes
  Text currentPath;       // the group's file; empty until first saved or opened
};

// The main window's controls, named as in its layout.
// The main window's controls, named as in its layout. The window owns them.
struct MainControls {
  std::unique_ptr<Window> window;
  Button* 按钮1 = nullptr;  // 打开文件
  Button* 按钮2 = nullptr;  // 加入图片
  Button* 按钮3 = nullptr;  // 删除图片
  Button* 按钮4 = nullptr;  // 保存图组
  Button* 按钮5 = nullptr;  // 另存为…
  IconList* 图标列表框 = nullptr;
  CommonDialog 通用对话框1;
  Timer* 时钟1 = nullptr;
  DropTarget* 拖放对象1 = nullptr;
  // The hidden menu "文件", shown only as the icon list's context menu.
  PopupMenu* 文件 = nullptr;
  MenuItem* 打开图片组 = nullptr;
  MenuItem* 保存图片组 = nullptr;
  MenuItem* 图组另存为 = nullptr;
  MenuItem* 添加图片 = nullptr;
  MenuItem* 删除图片 = nullptr;
  MenuItem* 导出图片 = nullptr;
  MenuItem* 关闭音乐 = nullptr;
  MenuItem* 退出 = nullptr;
};

// The export dialog's controls.
struct ExportControls {
  std::unique_ptr<Window> window;
  Label* 标签1 = nullptr;
  Label* 标签2 = nullptr;
  Label* 标签3 = nullptr;
  PictureBox* 图片框1 = nullptr;
  ColourPicker* 颜色选择器1 = nullptr;
  Button* 按钮1 = nullptr;
  Button* 按钮2 = nullptr;
  CommonDialog 通用对话框1;
};

// What the editor needs from outside: the front end that makes its windows,
// the prompts, the music player (may be absent) and the way the program ends.
struct EditorServices {
  FrontEnd* frontEnd = nullptr;
  Prompts* prompts = nullptr;
  MidiPlayer* music = nullptr;
  std::function<void(int)> quit;  // ends the event loop with an exit code
};

// Members go in reverse order: the export dialog before the main window that
// owns it on screen.
struct Editor {
  DocumentState document;
  EditorServices services;
  MainControls main;
  ExportControls exportDialog;
  bool ended = false;       // EndProgram has run
  bool destroying = false;  // the editor is being taken down
  Text lastDialogFolder;    // the folder of the file last chosen in a file dialog

  Editor() = default;
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;
  ~Editor();  // no handler runs from here on, while the windows go

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
