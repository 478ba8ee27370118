#include "editor/main_window.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "core/files.h"
#include "core/music/background_tune.h"
#include "core/music/player.h"
#include "editor/drop_target.h"
#include "editor/event_table.h"
#include "editor/export_dialog.h"
#include "editor/icon_list.h"
#include "editor/widgets.h"
#include "editor/windows.h"

namespace tilvane {

namespace {

void BuildFileMenu(Editor& editor) {
  MainControls& c = editor.main;
  c.文件 = new QMenu(QStringLiteral("文件"), c.window);
  c.文件->setObjectName(QStringLiteral("文件"));
  for (const MenuItemLayout& item : kFileMenuLayout) {
    if (!item.action) {
      c.文件->addSeparator();
      continue;
    }
    // The shortcut text is shown after a tab; no key is bound to it.
    QString caption = QString::fromUtf8(item.caption);
    if (*item.shortcut) caption += QLatin1Char('\t') + QString::fromUtf8(item.shortcut);
    QAction* action = c.文件->addAction(caption);
    action->setObjectName(QString::fromUtf8(item.name));
    c.*item.action = action;
  }
}

}  // namespace

std::unique_ptr<Editor> LoadEditor(EditorServices services) {
  // Named before any window exists, so that every control is built with it.
  // A family that covers Han spares Qt its search for a fallback font for the
  // Chinese captions when the first frame is drawn; where it is missing, Qt
  // substitutes one through fontconfig.
  QApplication::setFont(QFont(QString::fromUtf8(kCaptionFontFamily), kCaptionFontPointSize));
  auto editor = std::make_unique<Editor>();
  editor->services = std::move(services);
  MainControls& c = editor->main;
  c.window = new MainWindow(c);
  c.图标列表框->setBackgroundColour(kMainWindowLayout.background);
  c.时钟1 = new QTimer(c.window);
  c.时钟1->setObjectName(QStringLiteral("时钟1"));
  c.时钟1->setInterval(200);
  c.拖放对象1 = new DropTarget(c.window);
  c.拖放对象1->setObjectName(QStringLiteral("拖放对象1"));
  BuildFileMenu(*editor);

  BindMainWindowEvents(*editor);
  c.时钟1->start();
  OnMainCreated(*editor);
  return editor;
}

void LoadExportDialog(Editor& editor) {
  ExportControls& c = editor.exportDialog;
  if (c.window) return;
  c.window = new ExportDialog(editor.main.window, c);
  BindExportDialogEvents(editor);
  OnExportDialogCreated(editor);
}

namespace {

// Once the event loop runs: at once when the window is hidden (nothing to wait
// for), else after its first frame.
void ReleaseMusicAfterFirstFrame(Editor& editor) {
  MainWindow* window = editor.main.window;
  MidiPlayer* music = editor.services.music;
  QTimer::singleShot(0, window, [window, music] {
    if (window->isVisible() && !window->firstFrameDrawn()) {
      window->onFirstFrame = [music] { music->ReleaseOutput(); };
    } else {
      music->ReleaseOutput();
    }
  });
}

}  // namespace

void OnMainCreated(Editor& editor) {
  MainControls& c = editor.main;
  QWidget* listWindow = c.图标列表框->viewport();
  c.拖放对象1->Register(listWindow);
  LoadExportDialog(editor);
  editor.exportDialog.window->setVisible(false);
  c.按钮3->setEnabled(false);
  c.按钮4->setEnabled(false);
  c.按钮5->setEnabled(false);
  if (MidiPlayer* music = editor.services.music) {
    // The synthesizer and its soundfont load on the player's thread; loading
    // them while the window draws its first frame would slow that frame on a
    // busy machine, so the tune plays from now on but loads only after it.
    music->HoldOutput();
    ReleaseMusicAfterFirstFrame(editor);
    music->PlayMidi(-1, std::nullopt, {BackgroundTune()});
  }
}

void OnMainResized(Editor& editor) {
  MainControls& c = editor.main;
  QSize outer = OuterSize(c.window);
  double width = outer.width();
  double height = outer.height();
  auto truncate = [](double v) { return static_cast<int>(v); };
  c.图标列表框->resize(truncate(width - 45), truncate(height - 37));
  auto setTop = [](QWidget* w, int top) { w->move(w->x(), top); };
  setTop(c.按钮5, truncate(height - 102));
  setTop(c.按钮3, truncate((c.按钮1->y() + c.按钮5->y()) / 2.0));
  setTop(c.按钮2, truncate((c.按钮3->y() + c.按钮1->y()) / 2.0));
  setTop(c.按钮4, truncate((c.按钮3->y() + c.按钮5->y()) / 2.0));
}

void OnTimerTick(Editor& editor) {
  MainControls& c = editor.main;
  IconList& list = *c.图标列表框;
  int n = list.itemCount();
  if (n == 0) {
    c.按钮3->setEnabled(false);
    c.按钮5->setEnabled(false);
    c.图组另存为->setEnabled(false);
    SetMainCaption(editor, TitleIdle());
    RemoveFile(TempImageGroupPath());
    editor.document.imageGroupBytes = ToBytes(0);
  } else if (list.selectedIndex() == -1) {
    c.按钮3->setEnabled(false);
    c.按钮5->setEnabled(true);
    c.图组另存为->setEnabled(true);
  }
  if (list.selectedIndex() > -1) {
    c.按钮3->setEnabled(true);
    c.按钮5->setEnabled(true);
    c.图组另存为->setEnabled(true);
  }
  if (TextEquals(MainCaption(editor), TitleIdle())) {
    c.按钮4->setEnabled(false);
    c.保存图片组->setEnabled(false);
    list.setBackgroundColour(kListBackgroundIdle);
    return;
  }
  bool canSave = list.itemCount() != 0 && RightText(MainCaption(editor), 1) == ")";
  c.按钮4->setEnabled(canSave);
  c.保存图片组->setEnabled(canSave);
}

void OnMainDestroyed(Editor& editor) {
  RemoveFile(TempImageGroupPath());
  EndProgram(editor, 0);
}

void OnIconListRightClick(Editor& editor, QPoint globalPosition) {
  MainControls& c = editor.main;
  bool selected = c.图标列表框->selectedIndex() != -1;
  c.删除图片->setEnabled(selected);
  c.导出图片->setEnabled(selected);
  ShowPopupMenu(editor, globalPosition + QPoint(3, 3));
}

void ShowPopupMenu(Editor& editor, QPoint globalPosition) { editor.main.文件->popup(globalPosition); }

void OnCloseMusicCommand(Editor& editor) {
  if (editor.services.music) editor.services.music->StopMusic();
}

}  // namespace tilvane
