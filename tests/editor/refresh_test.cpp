// The icon list as the view of the document: its imageGroup property, its
// items, and the refresh through the temporary file, also when that file
// cannot be written.
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <new>

#include "core/files.h"
#include "core/imagegroup/collection.h"
#include "editor/document_commands.h"
#include "editor/event_table.h"
#include "editor/refresh.h"
#include "editor/support/harness.h"
#include "front/qt/icon_list.h"
#include "front/qt/window.h"
#include "support/large_group.h"

using namespace tilvane;
using namespace tilvane::testing;

class RefreshTest : public QObject {
  Q_OBJECT

 private slots:
  void imageGroupKeepsTheBytesItWasGiven() {
    Harness h;
    qt::IconListView& list = *h.Main().图标列表框;
    list.setImageGroup(MakeGroup(3));
    QCOMPARE(list.imageGroup(), MakeGroup(3));
    QVERIFY(!list.imageAt(2).isNull());
    list.setImageGroup(ToBytes(0));
    QCOMPARE(list.imageGroup(), ToBytes(0));
    QVERIFY(list.imageAt(0).isNull());
  }

  void itemsFollowTheirRules() {
    Harness h;
    qt::IconListView& list = *h.Main().图标列表框;
    list.setImageGroup(MakeGroup(2));
    QCOMPARE(list.insertItem(-1, "0", 0), 0);
    QCOMPARE(list.insertItem(-5, "1", 1), 1);
    QCOMPARE(list.insertItem(0, "x", -7), 0);
    QCOMPARE(list.imageOf(0), -1);
    QVERIFY(list.model()->index(0, 0).data(Qt::DecorationRole).isNull());
    QCOMPARE(list.imageOf(2), 1);
    list.setSelectedIndex(1);
    QCOMPARE(list.selectedIndex(), 1);
    list.setSelectedIndex(-9);
    QCOMPARE(list.selectedIndex(), -1);
    list.clearItems();
    QCOMPARE(list.itemCount(), 0);
    QCOMPARE(list.imageGroup(), MakeGroup(2));  // clearing items keeps the group
  }

  // The usual items are held as a count; any other insertion must still
  // give exactly the items a list of its own would hold.
  void numberedItemsAreTheItemsInsertingEachWouldMake() {
    Harness h;
    qt::IconListView& list = *h.Main().图标列表框;
    list.setImageGroup(MakeGroup(4));
    list.setNumberedItems(3);
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1", "2"}));
    QCOMPARE(list.insertItem(-1, "3", 3), 3);
    QCOMPARE(list.insertItem(1, "x", 0), 1);
    QCOMPARE(list.insertItem(-1, "9", 2), 5);
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "x", "1", "2", "3", "9"}));
    QCOMPARE((std::vector<int>{list.imageOf(0), list.imageOf(1), list.imageOf(2), list.imageOf(5), list.imageOf(6)}),
             (std::vector<int>{0, 0, 1, 2, -1}));
    list.setNumberedItems(2);
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1"}));
    QCOMPARE(list.imageOf(1), 1);
  }

  // Images are drawn when first shown and kept; a new group must not show them.
  void aNewGroupRedrawsTheItemsAlreadyShown() {
    Harness h;
    h.StartEditedGroup(MakeGroup(3));
    qt::IconListView& list = *h.Main().图标列表框;
    h.Main().window->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.Main().window));
    auto shownColour = [&](int row) {
      QImage image = qvariant_cast<QImage>(list.model()->index(row, 0).data(Qt::DecorationRole));
      return image.pixelColor(5, 5).rgb() & 0xFFFFFF;
    };
    QCOMPARE(shownColour(1), ImageColour(1));
    Bytes fewer = MakeGroup(3);
    QVERIFY(ImageGroupRemove(fewer, 0));
    list.setImageGroup(fewer);
    QCOMPARE(shownColour(1), ImageColour(2));
    QVERIFY(list.model()->index(2, 0).data(Qt::DecorationRole).isNull());  // no image 2 any more
    QCOMPARE(list.imageCount(), 2);
  }

  void iconsAreDrawnThroughTheirMask() {
    Harness h;
    qt::IconListView& list = *h.Main().图标列表框;
    list.setImageGroup(MakeGroup(1));
    QImage image = list.imageAt(0);
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);  // the masked corner
    QColor opaque = image.pixelColor(5, 5);
    QCOMPARE(opaque.alpha(), 255);
    QCOMPARE(opaque.rgb() & 0xFFFFFF, ImageColour(0));
  }

  void refreshWritesTheTemporaryFileAndRebuildsEveryItem() {
    Harness h;
    h.StartEditedGroup(MakeGroup(3));
    QCOMPARE(ReadFileBytes(TempImageGroupPath()), MakeGroup(3));
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1", "2"}));
    QCOMPARE(h.Caption(), Text("Tilvane    临时数据(未保存)"));
    QVERIFY(h.Main().按钮4->isEnabled());
  }

  void listShowsTheDocumentWhenTheTemporaryFileCannotBeWritten() {
    Harness h;
    // An older group sits in the temporary file, and nothing can replace it.
    h.StartEditedGroup(MakeGroup(5));
    Text temp = TempImageGroupPath();
    QVERIFY(RemoveFile(temp));
    QVERIFY(QDir().mkdir(QString::fromStdString(temp)));
    h.Select(1);
    OnDeleteButton(h.editor());
    const Bytes& document = h.editor().document.imageGroupBytes;
    QCOMPARE(ImageGroupCount(document), 4);
    QCOMPARE(h.Main().图标列表框->imageGroup(), document);
    QCOMPARE(h.ItemCount(), 4);
    // A second delete removes what the user sees selected, not an image of a stale group.
    h.Select(1);
    OnDeleteButton(h.editor());
    QCOMPARE(ColourOfImage(h.editor().document.imageGroupBytes, 1), ImageColour(3));
    QCOMPARE(h.Main().图标列表框->imageGroup(), h.editor().document.imageGroupBytes);
    VERIFY_PROMPTS(h);
  }

  void loadingAMissingFileGivesAnEmptyListWithoutAMessage() {
    Harness h;
    h.editor().document.currentPath = h.PathOf("gone.qil");
    LoadGroupFileAsDocument(h.editor());
    QCOMPARE(h.ItemCount(), 0);
    QVERIFY(h.editor().document.imageGroupBytes.empty());
    QCOMPARE(h.Caption(), "Tilvane  " + h.PathOf("gone.qil"));
    VERIFY_PROMPTS(h);
  }

  void aGroupTooLargeToHoldIsAGroupWithoutImages() {
    Harness h;
    // 17 tiles of 2048 x 2048: sound, but over the decoder's pixel limit.
    const Bytes large = testing::LargeOneBitGroup(17, 2048, false);
    WriteFile(h.PathOf("large.qil"), large);
    h.editor().document.currentPath = h.PathOf("large.qil");
    LoadGroupFileAsDocument(h.editor());
    QCOMPARE(h.ItemCount(), 0);
    QVERIFY(h.Main().图标列表框->imageAt(0).isNull());
    QCOMPARE(h.editor().document.imageGroupBytes, large);
    h.Tick();  // and the idle check returns the window to its empty state
    QCOMPARE(h.editor().document.imageGroupBytes, Bytes(4, 0));
    VERIFY_PROMPTS(h);
  }

  void imagesLargerThanTheIconsAreKeptAtTheIconSize() {
    Harness h;
    qt::IconListView& list = *h.Main().图标列表框;
    list.setImageGroup(testing::LargeOneBitGroup(5, 256, false));
    QCOMPARE(list.imageAt(4).size(), QSize(32, 32));
    // Rows alternate black and white pixel by pixel: scaled down they average to grey.
    const QColor grey = list.imageAt(0).pixelColor(16, 16);
    QVERIFY2(grey.red() > 64 && grey.red() < 192, qPrintable(grey.name()));
    QCOMPARE(grey.alpha(), 255);
  }

  void aHandlerThatRunsOutOfMemoryEndsWithAMessage() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    const Text text = "内存不足,无法完成该操作!";
    h.prompts.ExpectBox(text, BoxButtons::Ok, BoxIcon::Warning, "错误");
    // Thrown, not provoked: a real failed allocation would stop a sanitizer build.
    Guarded(h.editor(), [&] {
      h.Main().图标列表框->clearItems();
      throw std::bad_alloc();
    });
    QCOMPARE(h.editor().document.imageGroupBytes, MakeGroup(2));
    h.prompts.ExpectBox(text, BoxButtons::Ok, BoxIcon::Warning, "错误");
    QCOMPARE(Guarded(
                 h.editor(), []() -> bool { throw std::bad_alloc(); }, false),
             false);
    QCOMPARE(Guarded(
                 h.editor(), [] { return true; }, false),
             true);
    VERIFY_PROMPTS(h);
  }

  void openSaveAndSaveAsLeaveTheTemporaryFileAlone() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    Bytes temp = ReadFileBytes(TempImageGroupPath());
    Text path = h.PathOf("g.qil");
    WriteFile(path, MakeGroup(4));
    h.prompts.ExpectDialog(FileDialogKind::Open, "请选择要打开的Quill图片组文件:", path);
    h.Main().按钮4->setEnabled(false);
    OnOpenButton(h.editor());
    QVERIFY(!h.Main().按钮4->isEnabled());  // the button's Open leaves Save as it was
    h.Main().图标列表框->setBackgroundColour(0x00123456);
    OnSaveMenu(h.editor());
    QCOMPARE(h.Main().图标列表框->backgroundColour(), 0x00123456u);  // Save leaves the colour
    h.prompts.ExpectDialog(FileDialogKind::Save, "请选择保存路径:", h.PathOf("copy"));
    OnSaveAsMenu(h.editor());
    QCOMPARE(ReadFileBytes(TempImageGroupPath()), temp);
    VERIFY_PROMPTS(h);
  }
};

QTEST_MAIN(RefreshTest)
#include "refresh_test.moc"
