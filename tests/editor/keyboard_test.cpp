// The keyboard in the editor's windows, with real key events: where it is at
// start, where Tab stops, what Escape does, and where it goes back to after a
// box or the export dialog.
#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <set>

#include "editor/support/answer_once_shown.h"
#include "editor/support/harness.h"
#include "front/qt/prompts.h"

using namespace tilvane;
using namespace tilvane::testing;

namespace {

// Shows `window` (the editor's) and says whether `widget`, its Qt object,
// became the active window.
bool ShownActive(Window& window, QWidget* widget) {
  window.setVisible(true);
  return QTest::qWaitFor([widget] { return QApplication::activeWindow() == widget; });
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private slots:
  // The list has the keyboard right after start, so the menu key opens the
  // context menu with no click; a box takes the keyboard and gives it back to
  // the control that had it.
  void theKeyboardStartsOnTheListAndComesBackAfterABox() {
    Harness h;
    h.StartEditedGroup(MakeGroup(3));
    int menus = 0;
    h.editor().main.图标列表框->onRightClick = [&](Point) { ++menus; };
    QtMainControls c = h.Main();
    QVERIFY(ShownActive(*h.editor().main.window, c.window));
    QCOMPARE(QApplication::focusWidget(), c.图标列表框);
    // The platform turns the Menu key into a keyboard context-menu event for
    // the widget with the focus (the offscreen platform has no such key).
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(QApplication::focusWidget(), &menuKey);
    QCOMPARE(menus, 1);

    c.按钮1->setFocus();
    QCOMPARE(QApplication::focusWidget(), c.按钮1);
    // Escape, as a person answers the box.
    AnswerOnceShown([] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal) modal->close();
      return modal != nullptr;
    });
    qt::QtPrompts prompts;
    prompts.MessageBox("text", BoxButtons::Ok, BoxIcon::None, "focus");
    QTRY_COMPARE(QApplication::focusWidget(), c.按钮1);
  }

  // Tab stops at the two buttons and the colour picker only; Escape closes
  // the dialog as 关闭 does and the list has the keyboard again.
  void exportDialogTabStopsAndEscape() {
    Harness h;
    h.StartEditedGroup(MakeGroup(3));
    QtMainControls c = h.Main();
    QVERIFY(ShownActive(*h.editor().main.window, c.window));
    QtExportControls x = h.Export();
    QVERIFY(ShownActive(*h.editor().exportDialog.window, x.window));

    const std::set<QWidget*> inputs{x.按钮1, x.按钮2, x.颜色选择器1};
    std::set<QWidget*> stops;
    for (int k = 0; k < 6; ++k) {
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus != nullptr);
      stops.insert(focus);
      QTest::keyClick(focus, Qt::Key_Tab);
    }
    QVERIFY(stops == inputs);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!x.window->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), c.图标列表框);
  }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
