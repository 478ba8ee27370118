#include "editor/accessibility.h"

#include "editor/controls.h"

namespace tilvane {

namespace {

struct NamedColour {
  Colour colour;
  const char* name;
};

// The swatches of kColourSwatches, by the names a user would give them.
constexpr NamedColour kSwatchNames[] = {
    {0x00F0F0F0, "浅灰色"}, {0x00FFFFFF, "白色"},   {0x00C0C0C0, "银色"}, {0x00808080, "灰色"},
    {0x00000000, "黑色"},   {0x000000FF, "红色"},   {0x000080FF, "橙色"}, {0x0000FFFF, "黄色"},
    {0x0000FF00, "亮绿色"}, {0x00008000, "绿色"},   {0x00FFFF00, "青色"}, {0x00FF0000, "蓝色"},
    {0x00800000, "深蓝色"}, {0x00FF00FF, "品红色"}, {0x00800080, "紫色"}, {0x00004080, "棕色"},
};

constexpr bool EverySwatchNamed() {
  for (Colour swatch : kColourSwatches) {
    bool found = false;
    for (const NamedColour& named : kSwatchNames) found = found || named.colour == swatch;
    if (!found) return false;
  }
  return true;
}
static_assert(EverySwatchNamed());

}  // namespace

Text IconListItemName(const Text& caption) { return caption.empty() ? Text("图片") : "图片 " + caption; }

Text ColourParts(Colour colour) {
  return "红 " + ToText(static_cast<int>(colour & 0xFF)) + ",绿 " + ToText(static_cast<int>((colour >> 8) & 0xFF)) +
         ",蓝 " + ToText(static_cast<int>((colour >> 16) & 0xFF));
}

Text ColourName(Colour colour) {
  colour &= 0x00FFFFFF;
  for (const NamedColour& named : kSwatchNames) {
    if (named.colour == colour) return named.name;
  }
  return "自定义颜色 " + ColourParts(colour);
}

Text ColourPickerDescription(Colour current) {
  return Text(AccessibleTextOf(kExportDialogAccessibility, "颜色选择器1").description) + ",现为" + ColourName(current);
}

}  // namespace tilvane
