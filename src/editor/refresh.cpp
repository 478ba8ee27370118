#include "editor/refresh.h"

#include <QPushButton>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "editor/icon_list.h"

namespace tilvane {

void RebuildItems(Editor& editor) {
  IconList& list = *editor.main.图标列表框;
  // The list read the group's structure when it was given it: one count, one reset.
  list.setNumberedItems(list.imageCount());
}

void RefreshIconList(Editor& editor) {
  IconList& list = *editor.main.图标列表框;
  const Text temp = TempImageGroupPath();
  bool written = WriteFileBytes(temp, editor.document.imageGroupBytes);
  list.clearItems();
  // The list's last copy of the group is read over, so that a group of about
  // the same size is read back without new memory.
  Bytes readBack = list.takeImageGroup();
  if (written) {
    ReadFileBytesInto(temp, kMaxImageGroupFileBytes, readBack);
  } else {
    readBack.clear();
  }
  // A failed write or read-back would otherwise show an older group than the
  // document holds, and a later delete would remove a different image.
  if (readBack == editor.document.imageGroupBytes) {
    list.setImageGroup(std::move(readBack));
  } else {
    list.setImageGroup(editor.document.imageGroupBytes);
  }
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
