#include "editor/layout.h"

namespace tilvane {

namespace {

constexpr ControlLayout kMainControls[] = {
    {"按钮1", ControlKind::ColumnButton, 1, 1, 28, 64, "打开文件"},
    {"按钮2", ControlKind::ColumnButton, 1, 64, 28, 64, "加入图片"},
    {"按钮3", ControlKind::ColumnButton, 1, 127, 28, 64, "删除图片"},
    {"按钮4", ControlKind::ColumnButton, 1, 190, 28, 64, "保存图组"},
    {"按钮5", ControlKind::ColumnButton, 1, 253, 28, 64, "另存为…"},
    {"图标列表框", ControlKind::IconList, 30, 0, 471, 318, ""},
};

constexpr ControlLayout kExportControls[] = {
    {"标签2", ControlKind::Label, 5, 3, 93, 20, "将下列图片导出"},
    {"标签1", ControlKind::Label, 116, 2, 86, 22, "透明颜色填充色"},
    {"图片框1", ControlKind::PictureBox, 33, 27, 32, 32, ""},
    {"颜色选择器1", ControlKind::ColourPicker, 136, 27, 52, 32, ""},
    {"标签3", ControlKind::VerticalLabel, 200, 7, 14, 72, "不支持透明色"},
    {"按钮1", ControlKind::Button, 3, 66, 87, 30, "确定(&O)"},
    {"按钮2", ControlKind::Button, 111, 66, 87, 30, "关闭(&C)"},
};

constexpr MenuItemLayout kFileMenuItems[] = {
    {"打开图片组", "打开图片组(&O)", "Ctrl+O"},
    {"保存图片组", "保存图片组(&S)", "Ctrl+S"},
    {"图组另存为", "图组另存为(&V)", "Ctrl+A"},
    {"", "", ""},
    {"添加图片", "添加图片(&A)", ""},
    {"删除图片", "删除图片(&D)", "Del"},
    {"导出图片", "导出图片(&W)", "Ctrl+W"},
    {"关闭音乐", "关闭音乐(&M)", ""},
    {"", "", ""},
    {"退出", "退出(&E)", "Ctrl+E"},
};

}  // namespace

const WindowLayout kMainWindowLayout = {"Tilvane", 50, 50, 503, 366, true, true, 0x00F2F2FF, kMainControls};
const WindowLayout kExportDialogLayout = {"", 50, 50, 221, 130, false, false, 0, kExportControls};
const std::span<const MenuItemLayout> kFileMenuLayout = kFileMenuItems;

}  // namespace tilvane
