// The main window as a user meets it: layout, start-up state, the timer, the
// resize arithmetic, the context menu and the keys that do nothing.
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "core/files.h"
#include "editor/export_dialog.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "editor/support/harness.h"
#include "editor/support/item_input.h"
#include "front/qt/drop_target.h"
#include "front/qt/icon_list.h"
#include "front/qt/widgets.h"
#include "front/qt/window.h"

using namespace tilvane;
using namespace tilvane::testing;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void controlsCarryTheirNamesCaptionsAndGeometry() {
    Harness h;
    qt::TopLevelWidget* w = h.Main().window;
    struct Expected {
      const char* name;
      const char* caption;
      int top;
    };
    for (Expected e :
         {Expected{"按钮1", "打开文件", 1}, Expected{"按钮2", "加入图片", 64}, Expected{"按钮3", "删除图片", 127},
          Expected{"按钮4", "保存图组", 190}, Expected{"按钮5", "另存为…", 253}}) {
      auto* button = w->findChild<qt::ColumnButton*>(QString::fromUtf8(e.name));
      QVERIFY2(button, e.name);
      QCOMPARE(button->text(), QString::fromUtf8(e.caption));
      QCOMPARE(button->geometry(), QRect(1, e.top, 28, 64));
      QCOMPARE(button->lines().size(), 4);
    }
    auto* list = w->findChild<qt::IconListView*>(QStringLiteral("图标列表框"));
    QVERIFY(list);
    QCOMPARE(list->pos(), QPoint(30, 0));
    QCOMPARE(list->viewMode(), QListView::IconMode);
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!list->isSortingEnabled());
    QVERIFY(!list->dragEnabled());
    QCOMPARE(list->selectedIndex(), -1);
    QCOMPARE(w->windowTitle(), QStringLiteral("Tilvane"));
    QCOMPARE(w->palette().color(QPalette::Window), QColor(255, 242, 242));
    QVERIFY(w->findChild<QTimer*>(QStringLiteral("时钟1")));
    QVERIFY(w->findChild<QObject*>(QStringLiteral("拖放对象1")));
  }

  void shownWindowHasTheLayoutsOuterSizeAndIsCentred() {
    Harness h;
    qt::TopLevelWidget* w = h.Main().window;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(qt::OuterSize(w), QSize(503, 366));
    QRect screen = w->screen()->availableGeometry();
    QVERIFY(qAbs(w->frameGeometry().center().x() - screen.center().x()) <= 1);
    // The resize handler has laid the list out from the window's outer size.
    QCOMPARE(h.Main().图标列表框->size(), QSize(503 - 45, 366 - 37));
  }

  void everyControlOfBothWindowsIsBuiltWithTheCaptionFont() {
    Harness h;
    QtMainControls m = h.Main();
    QtExportControls e = h.Export();
    const QWidget* controls[] = {m.按钮1, m.按钮5, m.图标列表框, e.标签1, e.标签3, e.颜色选择器1, e.按钮2};
    for (const QWidget* control : controls) {
      // QFontInfo is the font actually matched, not the one asked for.
      QFontInfo shown(control->font());
      QCOMPARE(shown.family(), QString::fromUtf8(qt::kCaptionFontFamily));
      QCOMPARE(shown.pointSize(), qt::kCaptionFontPointSize);
    }
    QCOMPARE(m.文件->font().family(), QString::fromUtf8(qt::kCaptionFontFamily));
  }

  void columnCaptionsFitAtTheDefaultFontAndNotAtALargeOne() {
    Harness h;
    auto* button = static_cast<qt::ColumnButton*>(h.Main().按钮1);
    QFont normal(QStringLiteral("WenQuanYi Micro Hei"), 9);
    button->setFont(normal);
    QVERIFY2(CaptionFits(*button), "four characters one per line fit a 28 x 64 button at 9 pt");
    QFont large = normal;
    large.setPointSize(16);
    button->setFont(large);
    QVERIFY(!CaptionFits(*button));
  }

  void freshStartIsIdleAndTurnsTheListGreyOnTheFirstTick() {
    Harness h;
    QtMainControls c = h.Main();
    QCOMPARE(h.Caption(), Text("Tilvane"));
    QVERIFY(c.按钮1->isEnabled());
    QVERIFY(c.按钮2->isEnabled());
    QVERIFY(!c.按钮3->isEnabled());
    QVERIFY(!c.按钮4->isEnabled());
    QVERIFY(!c.按钮5->isEnabled());
    QVERIFY(!h.Export().window->isVisible());
    QCOMPARE(c.图标列表框->backgroundColour(), 0x00F2F2FFu);
    h.Tick();
    QCOMPARE(c.图标列表框->backgroundColour(), 0x00C8C8C8u);
    QCOMPARE(c.图标列表框->palette().color(QPalette::Base), QColor(200, 200, 200));
    QVERIFY(!c.保存图片组->isEnabled());
    QVERIFY(!c.图组另存为->isEnabled());
    QCOMPARE(h.editor().document.imageGroupBytes, ToBytes(0));
    VERIFY_PROMPTS(h);
  }

  void timerFollowsSelectionAndTheUnsavedMark() {
    Harness h;
    QtMainControls c = h.Main();
    h.StartEditedGroup(MakeGroup(3));
    QCOMPARE(h.Caption(), Text("Tilvane    临时数据(未保存)"));
    h.Tick();
    QVERIFY(!c.按钮3->isEnabled());
    QVERIFY(c.按钮4->isEnabled());
    QVERIFY(c.按钮5->isEnabled());
    QVERIFY(c.保存图片组->isEnabled());
    QVERIFY(c.图组另存为->isEnabled());
    h.Select(1);
    h.Tick();
    QVERIFY(c.按钮3->isEnabled());
    // A saved title turns Save off on the next tick.
    SetMainCaption(h.editor(), TitleSaved("/g/a.qil"));
    h.Tick();
    QVERIFY(!c.按钮4->isEnabled());
    QVERIFY(!c.保存图片组->isEnabled());
    // A saved document whose path ends with ")" counts as modified.
    SetMainCaption(h.editor(), TitleSaved("/g/copy (2)"));
    QVERIFY(IsModified(h.editor()));
    h.Tick();
    QVERIFY(c.按钮4->isEnabled());
  }

  void emptyListReturnsTheWindowToIdle() {
    Harness h;
    QtMainControls c = h.Main();
    h.editor().document.currentPath = "/g/a.qil";
    h.StartEditedGroup(MakeGroup(0));
    QVERIFY(PathExists(TempImageGroupPath()));
    QCOMPARE(h.ItemCount(), 0);
    QCOMPARE(h.Caption(), Text("Tilvane  /g/a.qil  临时数据(未保存)"));
    h.Tick();
    QCOMPARE(h.Caption(), Text("Tilvane"));
    QVERIFY(!PathExists(TempImageGroupPath()));
    QCOMPARE(h.editor().document.imageGroupBytes, ToBytes(0));
    QCOMPARE(h.editor().document.currentPath, Text("/g/a.qil"));
    QVERIFY(!c.按钮3->isEnabled());
    QVERIFY(!c.按钮4->isEnabled());
    QVERIFY(!c.按钮5->isEnabled());
    QVERIFY(!c.图组另存为->isEnabled());
    QCOMPARE(c.图标列表框->backgroundColour(), 0x00C8C8C8u);
  }

  void resizeMovesTheButtonsWithTruncatedArithmetic() {
    Harness h;
    QtMainControls c = h.Main();
    SetOuterSize(c.window, 503, 102);
    OnMainResized(h.editor());
    QCOMPARE(c.按钮5->y(), 0);
    QCOMPARE(c.按钮3->y(), 0);
    QCOMPARE(c.按钮2->y(), 0);
    QCOMPARE(c.按钮4->y(), 0);
    QCOMPARE(c.按钮1->y(), 1);
    SetOuterSize(c.window, 600, 400);
    OnMainResized(h.editor());
    QCOMPARE(c.按钮5->y(), 298);
    QCOMPARE(c.按钮3->y(), 149);  // (1 + 298) / 2 = 149.5
    QCOMPARE(c.按钮2->y(), 75);   // (149 + 1) / 2
    QCOMPARE(c.按钮4->y(), 223);  // (149 + 298) / 2 = 223.5
    QCOMPARE(c.图标列表框->size(), QSize(555, 363));
    QCOMPARE(c.图标列表框->pos(), QPoint(30, 0));
    for (QPushButton* b : {c.按钮1, c.按钮2, c.按钮3, c.按钮4, c.按钮5}) {
      QCOMPARE(b->x(), 1);
      QCOMPARE(b->size(), QSize(28, 64));
    }
  }

  void shortcutKeysDoNothing() {
    Harness h;
    qt::TopLevelWidget* w = h.Main().window;
    h.StartEditedGroup(MakeGroup(2));
    h.Select(0);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    for (auto key : {Qt::Key_O, Qt::Key_S, Qt::Key_A, Qt::Key_W, Qt::Key_E}) {
      QTest::keyClick(h.Main().图标列表框, key, Qt::ControlModifier);
    }
    QTest::keyClick(h.Main().图标列表框, Qt::Key_Delete);
    QCOMPARE(h.ItemCount(), 2);
    QCOMPARE(h.exitCode, -1);
    QVERIFY(h.prompts.shownBoxes.empty());
    QVERIFY(h.prompts.shownDialogs.empty());
    // Nor while the menu is open: its items show their shortcuts and take
    // only their mnemonics.
    h.Main().文件->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(h.Main().文件));
    for (auto key : {Qt::Key_O, Qt::Key_S, Qt::Key_A, Qt::Key_W, Qt::Key_E}) {
      QTest::keyClick(h.Main().文件, key, Qt::ControlModifier);
    }
    QTest::keyClick(h.Main().文件, Qt::Key_Delete);
    QCOMPARE(h.ItemCount(), 2);
    QCOMPARE(h.exitCode, -1);
    QVERIFY(h.prompts.shownBoxes.empty());
    QVERIFY(h.prompts.shownDialogs.empty());
    h.Main().文件->hide();
    // The shortcut is the action's own, shown in the menu, and no part of the
    // caption a screen reader reads as the item's name.
    QCOMPARE(h.Main().打开图片组->text(), QStringLiteral("打开图片组(&O)"));
    QCOMPARE(h.Main().打开图片组->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QVERIFY(h.Main().打开图片组->isShortcutVisibleInContextMenu());
    QCOMPARE(h.Main().删除图片->shortcut(), QKeySequence(Qt::Key_Delete));
    QVERIFY(h.Main().添加图片->shortcut().isEmpty());
  }

  // Shift+F10 opens the context menu as the Menu key does, beside the current image.
  void shiftF10OpensTheContextMenu() {
    Harness h;
    QtMainControls c = h.Main();
    h.StartEditedGroup(MakeGroup(2));
    h.Select(1);
    c.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(c.window));
    QTest::keyClick(c.图标列表框, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(c.文件->isVisible());
    QVERIFY(c.删除图片->isEnabled());
    QRect item = c.图标列表框->visualRect(c.图标列表框->model()->index(1, 0));
    QCOMPARE(c.文件->pos(), c.图标列表框->viewport()->mapToGlobal(item.center()) + QPoint(3, 3));
    c.文件->hide();
  }

  void contextMenuGreysDeleteAndExportWithoutSelection() {
    Harness h;
    QtMainControls c = h.Main();
    qt::IconListView& list = *c.图标列表框;
    h.StartEditedGroup(MakeGroup(2));
    QPoint spot = EmptySpot(list);
    RightClickAt(list, spot);
    QVERIFY(c.文件->isVisible());
    QCOMPARE(c.文件->pos(), list.viewport()->mapToGlobal(spot) + QPoint(3, 3));
    QVERIFY(!c.删除图片->isEnabled());
    QVERIFY(!c.导出图片->isEnabled());
    QVERIFY(c.打开图片组->isEnabled());
    c.文件->hide();
    // A right-click on an image selects it before the menu is built.
    h.RightClick(1);
    QVERIFY(c.文件->isVisible());
    QCOMPARE(list.selectedIndex(), 1);
    QVERIFY(c.删除图片->isEnabled());
    QVERIFY(c.导出图片->isEnabled());
    // The chosen item runs its handler: deleting image 1.
    c.删除图片->trigger();
    QCOMPARE(h.ItemCaptions(), std::vector<Text>{"0"});
    c.文件->hide();
  }

  void menuItemsAreInOrderWithSeparators() {
    Harness h;
    QStringList captions;
    for (QAction* a : h.Main().文件->actions()) captions << (a->isSeparator() ? "-" : a->text().section('\t', 0, 0));
    QCOMPARE(captions, (QStringList{"打开图片组(&O)", "保存图片组(&S)", "图组另存为(&V)", "-", "添加图片(&A)",
                                    "删除图片(&D)", "导出图片(&W)", "关闭音乐(&M)", "-", "退出(&E)"}));
  }

  // The handlers reach every control through its member: each must hold the
  // widget or action of that very name, inside its own window.
  void everyControlIsKeptInTheMemberOfItsName() {
    Harness h;
    const QtMainControls m = h.Main();
    const QtExportControls x = h.Export();
    struct Expected {
      const QObject* control;
      const char* name;
      const QObject* owner;
    };
    for (Expected e : {
             Expected{m.按钮1, "按钮1", m.window},
             Expected{m.按钮2, "按钮2", m.window},
             Expected{m.按钮3, "按钮3", m.window},
             Expected{m.按钮4, "按钮4", m.window},
             Expected{m.按钮5, "按钮5", m.window},
             Expected{m.图标列表框, "图标列表框", m.window},
             Expected{m.时钟1, "时钟1", m.window},
             Expected{m.拖放对象1, "拖放对象1", m.window},
             Expected{m.文件, "文件", m.window},
             Expected{m.打开图片组, "打开图片组", m.文件},
             Expected{m.保存图片组, "保存图片组", m.文件},
             Expected{m.图组另存为, "图组另存为", m.文件},
             Expected{m.添加图片, "添加图片", m.文件},
             Expected{m.删除图片, "删除图片", m.文件},
             Expected{m.导出图片, "导出图片", m.文件},
             Expected{m.关闭音乐, "关闭音乐", m.文件},
             Expected{m.退出, "退出", m.文件},
             Expected{x.标签1, "标签1", x.window},
             Expected{x.标签2, "标签2", x.window},
             Expected{x.标签3, "标签3", x.window},
             Expected{x.图片框1, "图片框1", x.window},
             Expected{x.颜色选择器1, "颜色选择器1", x.window},
             Expected{x.按钮1, "按钮1", x.window},
             Expected{x.按钮2, "按钮2", x.window},
         }) {
      QVERIFY2(e.control, e.name);
      QCOMPARE(e.control->objectName(), QString::fromUtf8(e.name));
      QVERIFY2(e.control->parent() == e.owner, e.name);
    }
  }

  void exportDialogSurvivesItsCloseBox() {
    Harness h;
    qt::TopLevelWidget* dialog = h.Export().window;
    QVERIFY(dialog->parentWidget() == h.Main().window);
    QVERIFY(dialog->windowFlags().testFlag(Qt::Tool));
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(qt::OuterSize(dialog), QSize(221, 130));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    // The close box goes through the window system, which makes the event spontaneous.
    dialog->windowHandle()->close();
    QVERIFY(!dialog->isVisible());
    QVERIFY(h.Export().按钮1 != nullptr);
    qt::IconListView& list = *h.Main().图标列表框;
    DoubleClickAt(list, EmptySpot(list));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QPushButton*>(QStringLiteral("按钮1"))->text(), QStringLiteral("确定(&O)"));
  }

  void destroyingTheWindowRemovesTheTemporaryFileAndEnds() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    SetMainCaption(h.editor(), TitleSaved("/g/a.qil"));
    QVERIFY(PathExists(TempImageGroupPath()));
    h.Main().window->show();
    QVERIFY(h.Main().window->close());
    QVERIFY(!PathExists(TempImageGroupPath()));
    QCOMPARE(h.exitCode, 0);
    VERIFY_PROMPTS(h);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
