#include "editor/layout.h"

#include <array>
#include <string_view>

namespace tilvane {

namespace {

using Main = MainControls;
using Export = ExportControls;

constexpr auto kMainControls = std::to_array<ControlLayout<Main>>({
    {&Main::按钮1, "按钮1", ControlKind::ColumnButton, 1, 1, 28, 64, "打开文件"},
    {&Main::按钮2, "按钮2", ControlKind::ColumnButton, 1, 64, 28, 64, "加入图片"},
    {&Main::按钮3, "按钮3", ControlKind::ColumnButton, 1, 127, 28, 64, "删除图片"},
    {&Main::按钮4, "按钮4", ControlKind::ColumnButton, 1, 190, 28, 64, "保存图组"},
    {&Main::按钮5, "按钮5", ControlKind::ColumnButton, 1, 253, 28, 64, "另存为…"},
    {&Main::图标列表框, "图标列表框", ControlKind::IconList, 30, 0, 471, 318, ""},
});

constexpr auto kExportControls = std::to_array<ControlLayout<Export>>({
    {&Export::标签2, "标签2", ControlKind::Label, 5, 3, 93, 20, "将下列图片导出"},
    {&Export::标签1, "标签1", ControlKind::Label, 116, 2, 86, 22, "透明颜色填充色"},
    {&Export::图片框1, "图片框1", ControlKind::PictureBox, 33, 27, 32, 32, ""},
    {&Export::颜色选择器1, "颜色选择器1", ControlKind::ColourPicker, 136, 27, 52, 32, ""},
    {&Export::标签3, "标签3", ControlKind::VerticalLabel, 200, 7, 14, 72, "不支持透明色"},
    {&Export::按钮1, "按钮1", ControlKind::Button, 3, 66, 87, 30, "确定(&O)"},
    {&Export::按钮2, "按钮2", ControlKind::Button, 111, 66, 87, 30, "关闭(&C)"},
});

constexpr auto kFileMenuItems = std::to_array<MenuItemLayout>({
    {&Main::打开图片组, "打开图片组", "打开图片组(&O)", "Ctrl+O"},
    {&Main::保存图片组, "保存图片组", "保存图片组(&S)", "Ctrl+S"},
    {&Main::图组另存为, "图组另存为", "图组另存为(&V)", "Ctrl+A"},
    {},
    {&Main::添加图片, "添加图片", "添加图片(&A)", ""},
    {&Main::删除图片, "删除图片", "删除图片(&D)", "Del"},
    {&Main::导出图片, "导出图片", "导出图片(&W)", "Ctrl+W"},
    {&Main::关闭音乐, "关闭音乐", "关闭音乐(&M)", ""},
    {},
    {&Main::退出, "退出", "退出(&E)", "Ctrl+E"},
});

// Whether the control a row's kind makes is the one its slot holds.
template <typename Controls>
constexpr bool KindFitsSlot(const ControlLayout<Controls>& row) {
  switch (row.kind) {
    case ControlKind::ColumnButton:
    case ControlKind::Button: return std::holds_alternative<Button * Controls::*>(row.slot);
    case ControlKind::Label:
    case ControlKind::VerticalLabel: return std::holds_alternative<Label * Controls::*>(row.slot);
    case ControlKind::PictureBox: return std::holds_alternative<PictureBox * Controls::*>(row.slot);
    case ControlKind::IconList: return std::holds_alternative<IconList * Controls::*>(row.slot);
    case ControlKind::ColourPicker: return std::holds_alternative<ColourPicker * Controls::*>(row.slot);
  }
  return false;
}

// Every row fills a member of its own under a name of its own, with a widget
// its member can hold.
template <typename Controls, std::size_t N>
constexpr bool RowsAreSound(const std::array<ControlLayout<Controls>, N>& rows) {
  for (std::size_t i = 0; i < N; ++i) {
    if (!KindFitsSlot(rows[i])) return false;
    for (std::size_t j = i + 1; j < N; ++j) {
      if (rows[i].slot == rows[j].slot || std::string_view(rows[i].name) == rows[j].name) return false;
    }
  }
  return true;
}

// Separators have neither member nor name; every other item fills a member
// of its own under a name of its own.
template <std::size_t N>
constexpr bool MenuIsSound(const std::array<MenuItemLayout, N>& items) {
  for (std::size_t i = 0; i < N; ++i) {
    if ((items[i].item == nullptr) != std::string_view(items[i].name).empty()) return false;
    if (!items[i].item) continue;
    for (std::size_t j = i + 1; j < N; ++j) {
      if (items[i].item == items[j].item || std::string_view(items[i].name) == items[j].name) return false;
    }
  }
  return true;
}

// Every row has a name a screen reader can say.
template <typename Controls, std::size_t N>
constexpr bool RowsAreNamed(const std::array<ControlLayout<Controls>, N>& rows,
                            std::span<const ControlAccessibility> accessibility) {
  for (const auto& row : rows) {
    if (std::string_view(AccessibleTextOf(accessibility, row.name).name).empty()) return false;
  }
  return true;
}

static_assert(RowsAreSound(kMainControls));
static_assert(RowsAreNamed(kMainControls, kMainWindowAccessibility));
static_assert(RowsAreNamed(kExportControls, kExportDialogAccessibility));
static_assert(RowsAreSound(kExportControls));
static_assert(MenuIsSound(kFileMenuItems));

}  // namespace

const WindowLayout<MainControls> kMainWindowLayout = {"Tilvane",
                                                      50,
                                                      50,
                                                      503,
                                                      366,
                                                      true,
                                                      true,
                                                      0x00F2F2FF,
                                                      kMainControls,
                                                      kMainWindowAccessible,
                                                      kMainWindowAccessibility};
const WindowLayout<ExportControls> kExportDialogLayout = {
    "", 50, 50, 221, 130, false, false, 0, kExportControls, kExportDialogAccessible, kExportDialogAccessibility};
const std::span<const MenuItemLayout> kFileMenuLayout = kFileMenuItems;

}  // namespace tilvane
