// Exporting the selected image: the dialog, its live preview, the fill colour
// and the BMP file it writes.
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <filesystem>

#include "core/export/picture.h"
#include "core/files.h"
#include "core/imagegroup/collection.h"
#include "core/imagegroup/default_group.h"
#include "core/intake/add_icon.h"
#include "core/intake_test_support.h"
#include "editor/export_dialog.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "editor/support/harness.h"
#include "editor/support/item_input.h"
#include "front/qt/icon_list.h"
#include "front/qt/widgets.h"
#include "front/qt/window.h"
#include "support/ordinary_user.h"

using namespace tilvane;
using namespace tilvane::testing;

namespace {

const Text kSaveTitle = "请选择要保存的文件名：";

Bytes Preview(Harness& h) {
  QByteArray bytes = h.Export().图片框1->property("picture").toByteArray();
  return Bytes(bytes.begin(), bytes.end());
}

bool Visible(Harness& h) { return h.Export().window->isVisible(); }

// The three bytes (blue, green, red) of pixel (x, y) in a 32 x 32 BMP.
std::array<std::uint8_t, 3> BmpPixel(const Bytes& bmp, int x, int y) {
  std::size_t at = 54 + static_cast<std::size_t>(31 - y) * 96 + static_cast<std::size_t>(x) * 3;
  return {bmp.at(at), bmp.at(at + 1), bmp.at(at + 2)};
}

// A new group holding the first icon of the fixture executable.
Bytes GroupWithFixtureIcon() {
  Bytes group = DefaultImageGroup();
  ImageGroupRemove(group, 0);
  ImageGroupAddIcon(group, tilvane::testing::IntakeFixture("icons32.exe"));
  return group;
}

void PickSwatch(qt::ColourCombo* picker, Colour colour) {
  int index = picker->findData(QVariant::fromValue(colour));
  QVERIFY(index >= 0);
  Q_EMIT picker->activated(index);
}

}  // namespace

class ExportDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void layout() {
    Harness h;
    QtExportControls c = h.Export();
    QCOMPARE(c.标签2->text(), QStringLiteral("将下列图片导出"));
    QCOMPARE(c.标签1->text(), QStringLiteral("透明颜色填充色"));
    QCOMPARE(c.标签3->text(), QStringLiteral("不支持透明色"));
    QCOMPARE(c.标签3->geometry(), QRect(200, 7, 14, 72));
    QCOMPARE(c.图片框1->geometry(), QRect(33, 27, 32, 32));
    QCOMPARE(c.颜色选择器1->geometry(), QRect(136, 27, 52, 32));
    QCOMPARE(c.按钮1->geometry(), QRect(3, 66, 87, 30));
    QCOMPARE(c.按钮2->text(), QStringLiteral("关闭(&C)"));
    QCOMPARE(c.颜色选择器1->colour(), 0x00F0F0F0u);
    QCOMPARE(c.window->windowTitle(), QString());
    QVERIFY(Preview(h).empty());  // created before any group is shown
  }

  void exportCommandChecksTheListFirst() {
    Harness h;
    h.prompts.ExpectBox("当前图片组中图片数量为0或未载入图片组,无法导出图片!", BoxButtons::Ok, BoxIcon::None, "提示:");
    OnExportCommand(h.editor());
    QVERIFY(!Visible(h));
    h.StartEditedGroup(MakeGroup(2));
    h.prompts.ExpectBox("请选择要导出的图片！", BoxButtons::Ok, BoxIcon::Warning, "警告:");
    OnExportCommand(h.editor());
    QVERIFY(!Visible(h));
    h.Select(1);
    OnExportCommand(h.editor());
    QVERIFY(Visible(h));
    QCOMPARE(Preview(h), ImageGroupPicture(MakeGroup(2), 1, 0x00F0F0F0));
    QVERIFY(!h.Export().图片框1->pixmap().isNull());
    VERIFY_PROMPTS(h);
  }

  void doubleClickWithNothingSelectedShowsABlankPreview() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    qt::IconListView& list = *h.Main().图标列表框;
    DoubleClickAt(list, EmptySpot(list));
    QVERIFY(Visible(h));
    QCOMPARE(list.selectedIndex(), -1);
    QVERIFY(Preview(h).empty());
    QVERIFY(h.Export().图片框1->pixmap().isNull());
    // Confirming now writes nothing and says there is nothing to export.
    Text path = h.PathOf("nothing.bmp");
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
    h.prompts.ExpectBox("没有可导出的图片:请先在图标列表中选择一张图片。", BoxButtons::Ok, BoxIcon::Warning, "提示:");
    OnExportConfirm(h.editor());
    QVERIFY(!PathExists(path));
    QVERIFY(Visible(h));
    VERIFY_PROMPTS(h);
  }

  void doubleClickOnAnImageOpensTheDialogOnIt() {
    Harness h;
    h.StartEditedGroup(MakeGroup(3));
    h.DoubleClick(2);
    QVERIFY(Visible(h));
    QCOMPARE(h.Main().图标列表框->selectedIndex(), 2);
    QCOMPARE(Preview(h), ImageGroupPicture(MakeGroup(3), 2, 0x00F0F0F0));
  }

  // A mouse press makes the item current before it selects it; the preview
  // must show the image clicked, not the one selected before.
  void previewFollowsEveryClickOnlyWhileVisible() {
    Harness h;
    QVERIFY(Preview(h).empty());  // made at start, before any group is shown
    const Bytes group = MakeGroup(6);
    h.StartEditedGroup(group);
    h.Select(0);
    QVERIFY(Preview(h).empty());
    h.DoubleClick(2);
    QCOMPARE(Preview(h), ImageGroupPicture(group, 2, 0x00F0F0F0));
    for (int k : {5, 4, 0, 3}) {
      h.Select(k);
      QCOMPARE(h.Main().图标列表框->selectedIndex(), k);
      QCOMPARE(Preview(h), ImageGroupPicture(group, k, 0x00F0F0F0));
    }
    // Keys move the current item too.
    QTest::keyClick(h.Main().图标列表框, Qt::Key_Right);
    QCOMPARE(Preview(h), ImageGroupPicture(group, 4, 0x00F0F0F0));
    OnExportDialogClose(h.editor());
    h.Select(1);
    QCOMPARE(Preview(h), ImageGroupPicture(group, 4, 0x00F0F0F0));
  }

  void fillColourRedrawsThePreviewAndIsKeptAfterTheCloseBox() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    h.Select(0);
    OnExportCommand(h.editor());
    qt::ColourCombo* picker = h.Export().颜色选择器1;
    PickSwatch(picker, 0x000000FF);
    QCOMPARE(picker->colour(), 0x000000FFu);
    QCOMPARE(Preview(h), ImageGroupPicture(MakeGroup(1), 0, 0x000000FF));
    h.Export().window->windowHandle()->close();
    QVERIFY(!Visible(h));
    OnExportCommand(h.editor());
    QVERIFY(Visible(h));
    QCOMPARE(picker->colour(), 0x000000FFu);
    QCOMPARE(Preview(h), ImageGroupPicture(MakeGroup(1), 0, 0x000000FF));
  }

  // The picker makes its entries when the dialog first opens: a colour set
  // before then is the one it shows once open.
  void fillColourSetBeforeTheFirstOpeningIsTheOneShown() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    qt::ColourCombo* picker = h.Export().颜色选择器1;
    picker->setColour(0x00123456);
    h.DoubleClick(1);
    QVERIFY(Visible(h));
    // The swatches, one for the colour set and the entry that opens the colour dialog.
    QCOMPARE(picker->count(), static_cast<int>(qt::ColourCombo::Swatches().size()) + 2);
    QCOMPARE(picker->itemData(picker->currentIndex()).value<Colour>(), 0x00123456u);
    QCOMPARE(Preview(h), ImageGroupPicture(MakeGroup(2), 1, 0x00123456));
    PickSwatch(picker, 0x000000FF);
    QCOMPARE(picker->colour(), 0x000000FFu);
    QCOMPARE(Preview(h), ImageGroupPicture(MakeGroup(2), 1, 0x000000FF));
  }

  void customColourDialogChoosesOrRestores() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    h.Select(0);
    OnExportCommand(h.editor());
    qt::ColourCombo* picker = h.Export().颜色选择器1;
    std::vector<Colour> offered;
    std::optional<Colour> answer = std::nullopt;
    picker->chooseCustomColour = [&](Colour start) {
      offered.push_back(start);
      return answer;
    };
    Q_EMIT picker->activated(picker->customEntry());
    QCOMPARE(offered, std::vector<Colour>{0x00F0F0F0});
    QCOMPARE(picker->colour(), 0x00F0F0F0u);
    QCOMPARE(picker->itemData(picker->currentIndex()).value<Colour>(), 0x00F0F0F0u);
    answer = 0x00123456;
    Q_EMIT picker->activated(picker->customEntry());
    QCOMPARE(picker->colour(), 0x00123456u);
    QCOMPARE(picker->itemData(picker->currentIndex()).value<Colour>(), 0x00123456u);
    QCOMPARE(Preview(h), ImageGroupPicture(MakeGroup(1), 0, 0x00123456));
  }

  void confirmWritesThePictureThenHidesTheDialog() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    h.Select(1);
    OnExportCommand(h.editor());
    Text path = h.PathOf("图 1.bmp");
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
    h.prompts.ExpectBox("导出图片文件操作已完成", BoxButtons::Ok, BoxIcon::Information, "提示:");
    OnExportConfirm(h.editor());
    const CommonDialog& shown = h.prompts.shownDialogs.back();
    QCOMPARE(shown.fileName, Text(""));
    QCOMPARE(shown.filter, Text("位图(BMP)|*.bmp"));
    QCOMPARE(shown.defaultExtension, Text("bmp"));
    Bytes written = ReadFileBytes(path);
    QCOMPARE(written.size(), std::size_t{3126});
    QCOMPARE(written, ImageGroupPicture(MakeGroup(2), 1, 0x00F0F0F0));
    QVERIFY(!Visible(h));
    // The next export proposes no name again.
    OnExportCommand(h.editor());
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, std::nullopt);
    OnExportConfirm(h.editor());
    QCOMPARE(h.prompts.shownDialogs.back().fileName, Text(""));
    QVERIFY(Visible(h));
    VERIFY_PROMPTS(h);
  }

  void failedWriteSaysWhyAndKeepsTheDialogOpen() {
    Harness h;
    Text path = h.LockedFolder("locked") + "/x.bmp";
    h.StartEditedGroup(MakeGroup(1));
    h.Select(0);
    OnExportCommand(h.editor());
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
    h.prompts.ExpectBox("无法写入文件:\n\r" + path + "\n\r原因: 没有权限", BoxButtons::Ok, BoxIcon::Warning, "错误");
    {
      OrdinaryUser user;
      OnExportConfirm(h.editor());
    }
    QVERIFY(Visible(h));
    QVERIFY(!std::filesystem::exists(path));
    VERIFY_PROMPTS(h);
  }

  void fixtureIconExportedOverTwoFillColours() {
    Harness h;
    h.StartEditedGroup(GroupWithFixtureIcon());
    QCOMPARE(h.ItemCount(), 1);
    h.Select(0);
    OnExportCommand(h.editor());
    struct Fill {
      Colour colour;
      std::array<std::uint8_t, 3> transparent;
    };
    for (Fill fill : {Fill{0x00F0F0F0, {0xF0, 0xF0, 0xF0}}, Fill{0x000000FF, {0x00, 0x00, 0xFF}}}) {
      h.Export().颜色选择器1->setColour(fill.colour);
      Text path = h.PathOf("icon-" + ToText(static_cast<int>(fill.colour)) + ".bmp");
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
      h.prompts.ExpectBox("导出图片文件操作已完成", BoxButtons::Ok, BoxIcon::Information, "提示:");
      OnExportConfirm(h.editor());
      Bytes bmp = ReadFileBytes(path);
      QCOMPARE(bmp.size(), std::size_t{3126});
      QCOMPARE(BmpPixel(bmp, 3, 3), (std::array<std::uint8_t, 3>{0x00, 0x00, 0xFF}));    // red square
      QCOMPARE(BmpPixel(bmp, 28, 28), (std::array<std::uint8_t, 3>{0xFF, 0x00, 0x00}));  // blue square
      QCOMPARE(BmpPixel(bmp, 3, 28), fill.transparent);                                  // transparent corner
      OnExportCommand(h.editor());
    }
    VERIFY_PROMPTS(h);
  }
};

QTEST_MAIN(ExportDialogTest)
#include "export_dialog_test.moc"
