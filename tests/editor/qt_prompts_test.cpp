// The real file dialog as the user sees it: every filter reads as its
// description exactly as written, the chosen one selected, and the patterns
// still choose the files shown.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

#include "editor/support/answer_once_shown.h"
#include "front/qt/prompts.h"

using namespace tilvane;

namespace {

struct Shown {
  bool found = false;
  QStringList descriptions;
  QString current;
  QStringList patterns;  // what the dialog's file list is filtered by
};

// Waits (for a generous bound) for a visible file dialog, reads its filter
// box, and cancels it; past the bound it cancels whatever dialog is open, so
// that the test fails rather than hangs.
void ReadAndCancelOnceShown(Shown& shown) {
  testing::AnswerOnceShown([&shown] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      if (auto* box = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < box->count(); ++i) shown.descriptions << box->itemText(i);
        shown.current = box->currentText();
        if (auto* files = dialog->findChild<QFileSystemModel*>()) shown.patterns = files->nameFilters();
        shown.found = true;
      }
      dialog->reject();
      return true;
    }
    return false;
  });
}

}  // namespace

class QtPromptsTest : public QObject {
  Q_OBJECT

 private slots:
  void fileDialogShowsEachDescriptionAsWritten_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("initial");
    QTest::addColumn<QStringList>("descriptions");
    QTest::addColumn<QStringList>("patterns");
    // The filters of the Open, Save As and Add commands and of export.
    QTest::newRow("open") << 0 << QStringLiteral("Quill图片组(qil)|*.qil") << 0
                          << QStringList{QStringLiteral("Quill图片组(qil)")} << QStringList{QStringLiteral("*.qil")};
    QTest::newRow("save as from the menu")
        << 1 << QStringLiteral("Quill图片组(*.qil)|*.qil") << 0 << QStringList{QStringLiteral("Quill图片组(*.qil)")}
        << QStringList{QStringLiteral("*.qil")};
    QTest::newRow("export") << 1 << QStringLiteral("位图(BMP)|*.bmp") << 0 << QStringList{QStringLiteral("位图(BMP)")}
                            << QStringList{QStringLiteral("*.bmp")};
    QTest::newRow("add, second filter chosen")
        << 0
        << QStringLiteral(
               "资源图标文件(*.exe)(*.dll)(*.ico)(*.mui)(*.lnk)(*.qil)|*.exe;*.dll;*.ico;*.mui;*.lnk;*.qil|所有文件|*."
               "*")
        << 1
        << QStringList{QStringLiteral("资源图标文件(*.exe)(*.dll)(*.ico)(*.mui)(*.lnk)(*.qil)"),
                       QStringLiteral("所有文件")}
        << QStringList{QStringLiteral("*.*")};
  }

  void fileDialogShowsEachDescriptionAsWritten() {
    QFETCH(int, kind);
    QFETCH(QString, filter);
    QFETCH(int, initial);
    QFETCH(QStringList, descriptions);
    QFETCH(QStringList, patterns);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    CommonDialog dialog;
    dialog.kind = static_cast<FileDialogKind>(kind);
    dialog.title = "请选择文件路径:";
    dialog.filter = filter.toStdString();
    dialog.initialFilterIndex = initial;
    Shown shown;
    ReadAndCancelOnceShown(shown);
    qt::QtPrompts prompts;
    QCOMPARE(prompts.FileDialog(dialog, folder.path().toStdString()), std::optional<Text>());
    QVERIFY2(shown.found, "a file dialog with a filter box was shown");
    QCOMPARE(shown.descriptions, descriptions);
    QCOMPARE(shown.current, descriptions[initial]);
    // The patterns are hidden, not dropped: they still choose the files.
    QCOMPARE(shown.patterns, patterns);
  }
};

QTEST_MAIN(QtPromptsTest)
#include "qt_prompts_test.moc"
