// A group built with qiltool from the fixture executables and icon files,
// merged and exported, opens in the editor with every image.
#include <QProcess>
#include <QTest>

#include "core/files.h"
#include "core/imagegroup/collection.h"
#include "editor/document_commands.h"
#include "editor/support/harness.h"
#include "front/qt/icon_list.h"

using namespace tilvane;
using tilvane::testing::Harness;

class QiltoolResultTest : public QObject {
  Q_OBJECT

 private slots:
  void editorOpensTheMergedGroup() {
    Harness h;
    QProcess demo;
    demo.start(QStringLiteral("bash"), {QStringLiteral(TILVANE_SOURCE_DIR "/scripts/qiltool-demo.sh"),
                                        QStringLiteral(TILVANE_BINARY_DIR), QString::fromStdString(h.Folder())});
    QVERIFY(demo.waitForFinished(120000));
    QVERIFY2(demo.exitCode() == 0, demo.readAllStandardError().constData());
    Text merged = h.PathOf("merged.qil");
    QCOMPARE(ImageGroupCount(ReadFileBytes(merged)), 8);
    h.prompts.ExpectDialog(FileDialogKind::Open, "请选择要打开的Quill图片组文件:", merged);
    OnOpenButton(h.editor());
    QCOMPARE(h.ItemCount(), 8);
    QCOMPARE(h.ItemCaptions().back(), Text("7"));
    QCOMPARE(h.Caption(), "Tilvane  " + merged);
    // Every item shows a picture.
    for (int k = 0; k < 8; ++k) QVERIFY(!h.Main().图标列表框->imageAt(k).isNull());
    VERIFY_PROMPTS(h);
  }
};

QTEST_MAIN(QiltoolResultTest)
#include "qiltool_result_test.moc"
