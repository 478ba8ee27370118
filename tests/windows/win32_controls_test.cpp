// The Win32 front end's controls, read back through the system's own calls:
// the windows the editor loads from its layout tables, the list view's items
// and images, the menu, the colour picker and closing. Runs under Wine on a
// private X display (the one tests/windows/wine-prefix makes).
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <thread>

#include "core/export/picture.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "editor/layout.h"
#include "editor/main_window.h"
#include "front/win32/controls.h"
#include "front/win32/prompts.h"
#include "handlers/recording_controls.h"
#include "support/numbered_group.h"
#include "wait_until.h"
#include "windows/oleacc_reader.h"

namespace tilvane::win32 {
namespace {

std::wstring WindowText(HWND hwnd) {
  wchar_t text[256] = {};
  ::GetWindowTextW(hwnd, text, 256);
  return text;
}

// The control's rectangle in its parent's client area, in pixels.
Rect PlacedRect(HWND control) {
  RECT box;
  ::GetWindowRect(control, &box);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&box), 2);
  return {box.left, box.top, box.right - box.left, box.bottom - box.top};
}

// A rectangle's size, or its place and size, as one value to compare and print.
std::array<int, 2> SizeOf(const Rect& r) { return {r.width, r.height}; }
std::array<int, 4> BoxOf(const Rect& r) { return {r.left, r.top, r.width, r.height}; }

template <typename Kind>
HWND HwndOf(Kind* control) {
  auto* child = dynamic_cast<ChildControl<Kind>*>(control);
  return child ? child->hwnd() : nullptr;
}

HWND HwndOf(const std::unique_ptr<Window>& window) { return static_cast<Win32Window&>(*window).hwnd(); }

std::wstring ItemText(HWND list, int item) {
  wchar_t text[64] = {};
  ListView_GetItemText(list, item, 0, text, 64);
  return text;
}

int ItemImage(HWND list, int item) {
  LVITEMW query{};
  query.mask = LVIF_IMAGE;
  query.iItem = item;
  ListView_GetItem(list, &query);
  return query.iImage;
}

// How many images the list view's image list holds.
int ImagesIn(HWND list) { return ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_NORMAL)); }

int SelectedItem(HWND list) { return ListView_GetNextItem(list, -1, LVNI_SELECTED); }

// A 32-bit bitmap in memory to draw into and read pixels (0x00RRGGBB) back.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    ::SelectObject(dc_, bitmap_);
    ::SetDCBrushColor(dc_, fill);
    const RECT all{0, 0, width, height};
    ::FillRect(dc_, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  }
  // The bitmap outlives the memory DC it is selected into.
  ~Canvas() {
    ::DeleteDC(dc_);
    ::DeleteObject(bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  std::uint32_t Pixel(int x, int y) const {
    ::GdiFlush();
    return static_cast<const std::uint32_t*>(bits_)[y * width_ + x] & 0x00FFFFFF;
  }

 private:
  int width_;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = ::CreateCompatibleDC(nullptr);
  void* bits_ = nullptr;
};

// Runs this thread's messages as the editor's event loop does until `done`
// holds; false when it never did.
bool RunUntil(const std::function<bool()>& done) {
  return tilvane::testing::WaitUntil(std::chrono::seconds(30), done, Dispatch);
}

bool FocusReaches(HWND hwnd) {
  return RunUntil([&] { return ::GetFocus() == hwnd; });
}

// A key pressed and let go as the keyboard does, to the active window; the
// event loop (RunUntil) delivers it.
void Press(WORD key) {
  INPUT keys[2] = {};
  for (INPUT& input : keys) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
}

// A left click in the middle of an item's icon.
void ClickItem(HWND list, int item) {
  RECT box{};
  ASSERT_TRUE(ListView_GetItemRect(list, item, &box, LVIR_ICON));
  const LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
  ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(list, WM_LBUTTONUP, 0, at);
}

class Win32Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    EditorServices services;
    services.frontEnd = &frontEnd_;
    services.prompts = &prompts_;
    services.quit = [](int) {};
    editor_ = LoadEditor(std::move(services));
    ASSERT_TRUE(RunUntil([&] { return editor_->exportDialog.window != nullptr; }));
  }
  void TearDown() override { editor_.reset(); }

  HWND ListHwnd() const { return HwndOf(editor_->main.图标列表框); }
  // The main window shown with `count` numbered images, once it has the
  // keyboard.
  void ShowMainWith(int count) {
    IconList& list = *editor_->main.图标列表框;
    list.setImageGroup(testing::NumberedGroup(count));
    list.setNumberedItems(count);
    editor_->main.window->setVisible(true);
    ASSERT_TRUE(RunUntil([&] { return ::GetActiveWindow() == HwndOf(editor_->main.window); }));
  }

  Win32FrontEnd frontEnd_;
  testing::RecordingPrompts prompts_;
  std::unique_ptr<Editor> editor_;
};

// At 96 DPI every control stands where the layout puts it, with its caption
// as its text (a column button draws it one character a line).
TEST_F(Win32Controls, WindowsAreBuiltFromTheLayoutTables) {
  MainControls& c = editor_->main;
  ASSERT_EQ(DpiOfWindow(HwndOf(c.window)), 96u) << "the test prefix is expected at 96 DPI";
  for (const auto& [button, shown] :
       {std::pair<Button*, const wchar_t*>{c.按钮1, L"打开文件"}, {c.按钮5, L"另存为…"}}) {
    EXPECT_EQ(WindowText(HwndOf(button)), shown);
    EXPECT_EQ(::GetWindowLongW(HwndOf(button), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  }
  EXPECT_EQ(c.按钮5->caption(), "另存为…");
  EXPECT_EQ(WindowText(HwndOf(editor_->exportDialog.按钮1)), L"确定(&O)");
  for (const auto& row : kMainWindowLayout.controls) {
    HWND hwnd = std::visit([&](auto slot) { return HwndOf(c.*slot); }, row.slot);
    ASSERT_NE(hwnd, nullptr) << row.name;
    EXPECT_EQ(BoxOf(PlacedRect(hwnd)), (std::array{row.left, row.top, row.width, row.height})) << row.name;
  }
  EXPECT_EQ(SizeOf(c.window->geometry()), (std::array{kMainWindowLayout.width, kMainWindowLayout.height}));
  EXPECT_EQ(SizeOf(editor_->exportDialog.window->geometry()),
            (std::array{kExportDialogLayout.width, kExportDialogLayout.height}));
}

// The list holds no items of its own: what it shows follows the items and the
// group given to it, images drawn on demand.
TEST_F(Win32Controls, IconListShowsTheItemsAndImagesGiven) {
  IconList& list = *editor_->main.图标列表框;
  HWND hwnd = HwndOf(&list);
  // The image list belongs to the icon list object, which destroys it: the
  // list view must not destroy it too.
  const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & LVS_SHAREIMAGELISTS);
  EXPECT_TRUE(style & LVS_OWNERDATA);

  list.setImageGroup(testing::NumberedGroup(10'000));
  list.setNumberedItems(10'000);
  EXPECT_EQ(list.imageCount(), 10'000);
  EXPECT_EQ(ListView_GetItemCount(hwnd), 10'000);
  EXPECT_EQ(ItemText(hwnd, 9'999), L"9999");
  // Images enter the system's list as they are asked for, not before.
  EXPECT_EQ(ImagesIn(hwnd), 0);
  EXPECT_GE(ItemImage(hwnd, 9'999), 0);
  EXPECT_EQ(ImagesIn(hwnd), 1);

  list.setSelectedIndex(3);
  EXPECT_EQ(list.selectedIndex(), 3);
  // An insert before the selection moves it on with its item.
  EXPECT_EQ(list.insertItem(0, "新", 7), 0);
  EXPECT_EQ(list.itemCount(), 10'001);
  EXPECT_EQ(ItemText(hwnd, 0), L"新");
  EXPECT_EQ(ItemText(hwnd, 1), L"0");
  EXPECT_EQ(list.selectedIndex(), 4);
  // Below -1 is no image; an image past the group shows none.
  list.insertItem(-1, "end", -5);
  EXPECT_EQ(ItemImage(hwnd, 10'001), -1);
  list.setSelectedIndex(-2);
  EXPECT_EQ(list.selectedIndex(), -1);

  Bytes taken = list.takeImageGroup();
  EXPECT_EQ(ImageGroupReader::Open(taken).ToOptional()->size(), 10'000u);
  EXPECT_EQ(list.imageCount(), 0);
  EXPECT_EQ(ItemImage(hwnd, 5), -1);
  list.setImageGroup(Bytes{1, 2, 3});
  EXPECT_EQ(list.imageCount(), 0);
  list.clearItems();
  EXPECT_EQ(ListView_GetItemCount(hwnd), 0);

  list.setBackgroundColour(0x00F2F2FF);
  EXPECT_EQ(ListView_GetBkColor(hwnd), 0x00F2F2FFu);
}

// Typed characters move to the next item whose caption starts with them, the
// same search as the system's find message asks for.
TEST_F(Win32Controls, TypingMovesToTheItemCaptionedSo) {
  ShowMainWith(7);
  HWND list = ListHwnd();
  ClickItem(list, 2);
  ASSERT_TRUE(RunUntil([&] { return SelectedItem(list) == 2; }));
  EXPECT_EQ(::GetFocus(), list);
  Press('5');
  EXPECT_TRUE(RunUntil([&] { return SelectedItem(list) == 5; })) << "selected: " << SelectedItem(list);
  EXPECT_EQ(editor_->main.图标列表框->selectedIndex(), 5);

  auto find = [&](UINT flags, const wchar_t* text, int from) {
    LVFINDINFOW query{flags, text, 0, {0, 0}, 0};
    return ListView_FindItem(list, from, &query);
  };
  EXPECT_EQ(find(LVFI_PARTIAL | LVFI_WRAP, L"3", 5), 3);  // round from the end
  EXPECT_EQ(find(LVFI_PARTIAL | LVFI_WRAP, L"x", -1), -1);
  EXPECT_EQ(find(LVFI_STRING, L"6", -1), 6);
}

// A pixel of alpha 128 comes out of the image list blended once over the
// list's background, as the Linux list draws it (straight alpha, source over).
TEST_F(Win32Controls, SoftPixelsAreBlendedOnce) {
  ImageList group = *DecodeImageGroup(DefaultImageGroup());
  ASSERT_EQ(group.bitsPerPixel, 32);
  group.ClearImages();
  const std::uint32_t soft = 0x80C86432;  // alpha 128, red 200, green 100, blue 50
  const std::size_t pixels = group.PixelsPerImage();
  ASSERT_TRUE(AppendImage(group, Image{std::vector(pixels, soft), std::vector<std::uint8_t>(pixels, 0)}));
  IconList& list = *editor_->main.图标列表框;
  list.setImageGroup(*EncodeImageGroup(group));
  list.setNumberedItems(1);
  const int slot = ItemImage(ListHwnd(), 0);
  ASSERT_GE(slot, 0);

  const Colour background = list.backgroundColour();  // 0x00BBGGRR
  Canvas canvas(32, 32, background);
  ASSERT_TRUE(ImageList_Draw(ListView_GetImageList(ListHwnd(), LVSIL_NORMAL), slot, canvas.dc(), 0, 0, ILD_NORMAL));
  const std::uint32_t drawn = canvas.Pixel(16, 16);  // 0x00RRGGBB
  const std::uint32_t alpha = soft >> 24;
  for (int shift : {16, 8, 0}) {  // red, green, blue
    const std::uint32_t over = (soft >> shift) & 0xFF, under = (background >> (16 - shift)) & 0xFF;
    const int blended = static_cast<int>((over * alpha + under * (255 - alpha) + 127) / 255);
    EXPECT_NEAR(static_cast<int>((drawn >> shift) & 0xFF), blended, 2) << "bits " << shift << ": " << std::hex << drawn;
  }
}

// At 192 DPI the preview's box is 64 x 64 and a 32 x 32 image fills it, as on
// Linux at scale 2.
TEST_F(Win32Controls, PreviewGrowsWithTheDpi) {
  ExportControls& x = editor_->exportDialog;
  HWND dialog = HwndOf(x.window);
  RECT suggested;
  ::GetWindowRect(dialog, &suggested);
  suggested.right = suggested.left + 2 * (suggested.right - suggested.left);
  suggested.bottom = suggested.top + 2 * (suggested.bottom - suggested.top);
  ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  HWND box = HwndOf(x.图片框1);
  EXPECT_EQ(SizeOf(PlacedRect(box)), (std::array{64, 64}));

  x.图片框1->setPicture(ImageGroupPicture(testing::NumberedGroup(1), 0));
  Canvas canvas(64, 64, RGB(255, 255, 255));
  const DRAWITEMSTRUCT item{ODT_STATIC, 0, 0, 0, 0, box, canvas.dc(), {0, 0, 64, 64}, 0};
  dynamic_cast<Win32PictureBox&>(*x.图片框1).OnDrawItem(item);
  int covered = 0;
  for (int y = 0; y < 64; ++y)
    for (int x0 = 0; x0 < 64; ++x0) covered += canvas.Pixel(x0, y) == 0x00102030;
  EXPECT_EQ(covered, 64 * 64);
}

// The idle tick sets the colour every 200 ms: only a change redraws the list.
TEST_F(Win32Controls, AnUnchangedBackgroundIsNotRedrawn) {
  ShowMainWith(3);
  IconList& list = *editor_->main.图标列表框;
  HWND hwnd = ListHwnd();
  ASSERT_TRUE(RunUntil([&] { return !::GetUpdateRect(hwnd, nullptr, FALSE); }));
  list.setBackgroundColour(list.backgroundColour());
  EXPECT_FALSE(::GetUpdateRect(hwnd, nullptr, FALSE));
  list.setBackgroundColour(list.backgroundColour() ^ 0x000F0F0F);
  EXPECT_TRUE(::GetUpdateRect(hwnd, nullptr, FALSE));
}

// The keyboard as in a dialog: the list has it from the start, so the menu
// key opens the context menu at once; a box takes it and gives it back to
// the control that had it.
TEST_F(Win32Controls, TheKeyboardStartsOnTheListAndComesBackAfterABox) {
  int menus = 0;
  editor_->main.图标列表框->onRightClick = [&](Point) { ++menus; };
  ShowMainWith(2);
  ASSERT_TRUE(FocusReaches(ListHwnd()));
  Press(VK_APPS);
  EXPECT_TRUE(RunUntil([&] { return menus == 1; }));

  HWND button = HwndOf(editor_->main.按钮1);
  ::SetFocus(button);
  ASSERT_EQ(::GetFocus(), button);
  std::thread answer([] {
    HWND box = nullptr;
    if (tilvane::testing::WaitUntil(std::chrono::seconds(30),
                                    [&] { return (box = ::FindWindowW(L"#32770", L"focus test")) != nullptr; })) {
      ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  });
  Win32Prompts prompts;
  EXPECT_EQ(prompts.MessageBox("text", BoxButtons::Ok, BoxIcon::None, "focus test"), BoxAnswer::Ok);
  answer.join();
  EXPECT_TRUE(FocusReaches(button));
}

// Tab stops only at the controls that take input, from the colour picker to
// 确定 and on to 关闭 as they stand in the layout, and back round; Escape
// closes the export dialog as 关闭 does, and the keyboard goes back where it
// was.
TEST_F(Win32Controls, ExportDialogKeyboard) {
  ShowMainWith(2);
  ASSERT_TRUE(FocusReaches(ListHwnd()));
  ExportControls& x = editor_->exportDialog;
  HWND dialog = HwndOf(x.window);
  x.window->setVisible(true);
  ASSERT_TRUE(RunUntil([&] { return ::GetFocus() && ::GetAncestor(::GetFocus(), GA_ROOT) == dialog; }));

  const std::vector<HWND> inputs = {HwndOf(x.颜色选择器1), HwndOf(x.按钮1), HwndOf(x.按钮2)};
  std::vector<HWND> inLayoutOrder;
  for (HWND stop : TabRing(dialog, inputs.front())) {
    if (std::find(inputs.begin(), inputs.end(), stop) != inputs.end()) inLayoutOrder.push_back(stop);
  }
  EXPECT_EQ(inLayoutOrder, inputs);

  std::set<HWND> stops;
  for (int k = 0; k < 6; ++k) {
    HWND before = ::GetFocus();
    stops.insert(before);
    Press(VK_TAB);
    ASSERT_TRUE(RunUntil([&] { return ::GetFocus() != before; })) << "Tab " << k;
  }
  EXPECT_EQ(stops, std::set<HWND>(inputs.begin(), inputs.end()));

  Press(VK_ESCAPE);
  EXPECT_TRUE(RunUntil([&] { return !x.window->visible(); }));
  EXPECT_TRUE(FocusReaches(ListHwnd()));
}

TEST_F(Win32Controls, MenuShowsShortcutsAndGreysItems) {
  MainControls& c = editor_->main;
  EXPECT_EQ(c.打开图片组->caption(), "打开图片组(&O)\tCtrl+O");
  EXPECT_EQ(c.添加图片->caption(), "添加图片(&A)");
  for (bool disabled : {true, false}) {
    c.删除图片->setDisabled(disabled);
    EXPECT_EQ(c.删除图片->disabled(), disabled);
  }
}

// A colour without a swatch gets one of its own before "…", replaced by the
// next such colour.
TEST_F(Win32Controls, ColourPickerKeepsOneSwatchForAnyOtherColour) {
  ColourPicker& picker = *editor_->exportDialog.颜色选择器1;
  HWND hwnd = HwndOf(&picker);
  const int swatches = static_cast<int>(std::size(kColourSwatches));
  EXPECT_EQ(ComboBox_GetCount(hwnd), swatches + 1);
  struct Step {
    Colour set;
    int entries;
    int selected;
  };
  for (const Step& step : {Step{0x00123456, swatches + 2, swatches}, Step{0x00654321, swatches + 2, swatches},
                           Step{0x000000FF, swatches + 2, 5}}) {
    picker.setColour(step.set);
    EXPECT_EQ(picker.colour(), step.set);
    EXPECT_EQ(ComboBox_GetCount(hwnd), step.entries);
    EXPECT_EQ(ComboBox_GetCurSel(hwnd), step.selected);
  }
}

// The main window asks before it closes; the export dialog asks only when the
// user closes it, and then only hides.
TEST_F(Win32Controls, ClosingAsksAsTheWindowsSay) {
  Window& main = *editor_->main.window;
  Window& dialog = *editor_->exportDialog.window;
  int mainAsked = 0, dialogAsked = 0;
  main.onCloseRequest = [&] { return ++mainAsked, false; };
  dialog.onCloseRequest = [&] { return ++dialogAsked, true; };
  main.setVisible(true);
  main.close();
  EXPECT_EQ(mainAsked, 1);
  EXPECT_TRUE(main.visible());

  dialog.setVisible(true);
  dialog.close();
  EXPECT_EQ(dialogAsked, 0);
  EXPECT_FALSE(dialog.visible());
  dialog.setVisible(true);
  ::SendMessageW(HwndOf(editor_->exportDialog.window), WM_CLOSE, 0, 0);
  EXPECT_EQ(dialogAsked, 1);
  EXPECT_FALSE(dialog.visible());
}

// Read as a screen reader reads them, through the system's accessibility
// (oleacc): every control of both windows by a name without line breaks or
// NULs, the colour picker by its current colour's name.
TEST_F(Win32Controls, ScreenReaderNamesEveryControl) {
  // Shown, as a reader finds them: hidden windows' children are left out.
  editor_->main.window->setVisible(true);
  editor_->exportDialog.window->setVisible(true);
  const std::vector<std::wstring> main = SpokenNamesOfChildren(HwndOf(editor_->main.window));
  EXPECT_EQ(main,
            (std::vector<std::wstring>{L"打开文件", L"加入图片", L"删除图片", L"保存图组", L"另存为…", L"图片列表"}));
  editor_->exportDialog.颜色选择器1->setColour(0x000000FF);
  const std::vector<std::wstring> exported = SpokenNamesOfChildren(HwndOf(editor_->exportDialog.window));
  EXPECT_EQ(exported, (std::vector<std::wstring>{L"将下列图片导出", L"透明颜色填充色", L"导出预览", L"红色",
                                                 L"不支持透明色", L"确定(O)", L"关闭(C)"}));
  // The dialog shows no title, and is named all the same; the main window by its title.
  EXPECT_EQ(SpokenName(HwndOf(editor_->exportDialog.window)), L"导出图片");
  EXPECT_EQ(SpokenName(HwndOf(editor_->main.window)), L"Tilvane");
  for (const auto* names : {&main, &exported}) {
    for (const std::wstring& name : *names) {
      EXPECT_FALSE(name.empty());
      EXPECT_EQ(name.find_first_of(std::wstring(L"\r\n\t\0", 4)), std::wstring::npos) << "a line break or NUL";
    }
  }
  // Each swatch holds its colour's name as its string.
  HWND picker = HwndOf(editor_->exportDialog.颜色选择器1);
  for (const auto& [index, name] : {std::pair{11, L"蓝色"}, std::pair{ComboBox_GetCount(picker) - 1, L"其他颜色…"}}) {
    wchar_t entry[64] = {};
    ComboBox_GetLBText(picker, index, entry);
    EXPECT_STREQ(entry, name);
  }
}

}  // namespace
}  // namespace tilvane::win32
