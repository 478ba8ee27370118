// What a screen reader says for each control of both windows: a name in the
// words the user sees on screen, and a description where the name alone does
// not say what the control is for. The layouts' rows are looked up here by
// their control name (layout.cpp checks at compile time that every row has an
// entry); the front ends hand the texts to their platform's accessibility.
//
// No name carries a line break, a tab or a shortcut text: a shortcut is given
// to the platform as a shortcut, and captions drawn one character a line keep
// their text whole.
#pragma once

#include <span>
#include <string_view>

#include "core/text.h"

namespace tilvane {

struct AccessibleText {
  const char* name = "";         // empty: the platform's own (a window's title)
  const char* description = "";  // empty: none
};

struct ControlAccessibility {
  const char* control;  // the control's name in its window's layout
  AccessibleText text;
};

// The main window is named by its title, which names the open group.
inline constexpr AccessibleText kMainWindowAccessible = {"", "图片组编辑器"};
// The export dialog shows no title; it is named after the menu item that opens it.
inline constexpr AccessibleText kExportDialogAccessible = {"导出图片", "把选中的图片导出为 24 位 BMP 文件"};

inline constexpr ControlAccessibility kMainWindowAccessibility[] = {
    {"按钮1", {"打开文件", "打开一个图片组文件 (.qil)"}},
    {"按钮2", {"加入图片", "把程序、库或图标文件的第一个图标加入图片组"}},
    {"按钮3", {"删除图片", "删除选中的图片"}},
    {"按钮4", {"保存图组", "把图片组写入它的文件"}},
    {"按钮5", {"另存为…", "把图片组以新的文件名保存"}},
    {"图标列表框", {"图片列表", "图片组中的图片。菜单键或 Shift+F10 打开命令菜单"}},
    {"文件", {"文件", "图片组的命令"}},  // the context menu
};

inline constexpr ControlAccessibility kExportDialogAccessibility[] = {
    {"标签2", {"将下列图片导出", ""}},
    {"标签1", {"透明颜色填充色", ""}},
    {"图片框1", {"导出预览", "选中的图片,透明部分显示为填充色"}},
    {"颜色选择器1", {"填充色", "图片透明部分在导出的文件中的颜色"}},
    {"标签3", {"不支持透明色", ""}},
    {"按钮1", {"确定", "选择文件名并导出图片"}},
    {"按钮2", {"关闭", "关闭导出窗口"}},
};

// The entry of `control` in `table`; empty texts when it has none.
constexpr AccessibleText AccessibleTextOf(std::span<const ControlAccessibility> table, std::string_view control) {
  for (const ControlAccessibility& entry : table) {
    if (control == entry.control) return entry.text;
  }
  return {};
}

// An icon list item's name: the caption it shows ("3") said as an image
// ("图片 3"), so that a listener knows what the number stands for.
Text IconListItemName(const Text& caption);

// A colour's name: the swatches' by their common names ("红色"), any other
// as "自定义颜色" and its parts.
Text ColourName(Colour colour);
// The parts of a colour, as the colour dialog shows them: "红 255,绿 0,蓝 0".
Text ColourParts(Colour colour);
// The colour picker's entry that asks for any other colour.
inline constexpr const char* kOtherColourName = "其他颜色…";
// What the colour picker says about its current colour.
Text ColourPickerDescription(Colour current);

}  // namespace tilvane
