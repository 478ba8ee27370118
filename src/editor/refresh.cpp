#include "editor/refresh.h"

#include <QPushButton>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/collection.h"
#include "editor/icon_list.h"

namespace tilvane {

void RebuildItems(Editor& editor) {
  IconList& list = *editor.main.图标列表框;
  int n = ImageGroupCount(list.imageGroup());
  list.setUpdatesEnabled(false);
  for (int k = 0; k < n; ++k) list.insertItem(-1, ToText(k), k);
  list.setUpdatesEnabled(true);
}

void RefreshIconList(Editor& editor) {
  IconList& list = *editor.main.图标列表框;
  const Text temp = TempImageGroupPath();
  bool written = WriteFileBytes(temp, editor.document.imageGroupBytes);
  list.clearItems();
  Bytes readBack = written ? ReadFileBytes(temp, kMaxImageGroupFileBytes) : Bytes();
  // A failed write or read-back would otherwise show an older group than the
  // document holds, and a later delete would remove a different image.
  list.setImageGroup(readBack == editor.document.imageGroupBytes ? readBack : editor.document.imageGroupBytes);
  RebuildItems(editor);
  SetMainCaption(editor, TitleModified(editor.document.currentPath));
  editor.main.按钮4->setEnabled(true);
}

void LoadGroupFileAsDocument(Editor& editor) {
  IconList& list = *editor.main.图标列表框;
  list.clearItems();
  Bytes bytes = ReadFileBytes(editor.document.currentPath, kMaxImageGroupFileBytes);
  list.setImageGroup(bytes);
  editor.document.imageGroupBytes = std::move(bytes);
  SetMainCaption(editor, TitleSaved(editor.document.currentPath));
  RebuildItems(editor);
}

}  // namespace tilvane
