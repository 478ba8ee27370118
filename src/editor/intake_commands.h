// Taking icons in: the Add command (menu item and 按钮2), new groups, and
// files dropped on the icon list.
#pragma once

#include "editor/editor.h"

namespace tilvane {

// The path's extension; for a path of the wrong shape an error box and "输入错误".
Text PathExtension(Editor& editor, const Text& path);

// The document becomes a new group without images (32 x 32, 32-bit, mask).
void CreateNewImageGroup(Editor& editor);

void OnAddImagesCommand(Editor& editor);  // menu item 添加图片(&A)
void OnAddImagesButton(Editor& editor);   // 按钮2
void OnFilesDropped(Editor& editor, const Text& paths);

}  // namespace tilvane
