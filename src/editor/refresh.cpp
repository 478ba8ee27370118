#include "editor/refresh.h"

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "editor/layout.h"

namespace tilvane {

void RebuildItems(Editor& editor) {
  IconList& list = *editor.main.图标列表框;
  // The list read the group's structure when it was given it: one count, one reset.
  list.setNumberedItems(list.imageCount());
}

void ThroughTemporaryFile(const Bytes& bytes, Bytes& readBack) {
  // The file is held for the round trip alone, so what comes back is what
  // was written; when the write or the read fails the document's own bytes
  // are shown, never what the file still held before.
  if (!WriteFileBytesAndReadBack(TempImageGroupPath(), bytes, readBack)) readBack = bytes;
}

Bytes ThroughTemporaryFile(const Bytes& bytes) {
  Bytes readBack;
  ThroughTemporaryFile(bytes, readBack);
  return readBack;
}

void RefreshIconList(Editor& editor) {
  IconList& list = *editor.main.图标列表框;
  // A failed write or read-back would otherwise show an older group than the
  // document holds, and a later delete would remove a different image.
  // The list's last copy of the group is read over, so that a group of about
  // the same size comes back without new memory.
  Bytes shown = list.takeImageGroup();
  ThroughTemporaryFile(editor.document.imageGroupBytes, shown);
  list.setImageGroup(std::move(shown));
  // Every item is removed and rebuilt in the one reset.
  RebuildItems(editor);
  SetMainCaption(editor, TitleModified(editor.document.currentPath));
  editor.main.按钮4->setDisabled(false);
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

void OpenGroupFile(Editor& editor, const Text& path) {
  editor.document.currentPath = path;
  LoadGroupFileAsDocument(editor);
  editor.main.图标列表框->setBackgroundColour(kListBackgroundLoaded);
}

}  // namespace tilvane
