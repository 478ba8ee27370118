// Bringing the icon list up to date with the document.
#pragma once

#include "editor/editor.h"

namespace tilvane {

// Writes `bytes` to the temporary file and reads them back; the bytes
// themselves when the round trip fails, so that neither the document nor the
// list is ever given a stale or missing file.
Bytes ThroughTemporaryFile(const Bytes& bytes);
// The same into `readBack`, whose storage is reused.
void ThroughTemporaryFile(const Bytes& bytes, Bytes& readBack);

// After an edit of imageGroupBytes: writes the temporary file, gives the list
// the group read back from it (the document's own bytes when that round trip
// fails, so the list always shows the document), rebuilds the items "0", "1",
// …, shows TitleModified and enables 按钮4.
void RefreshIconList(Editor& editor);

// Makes the file at currentPath the document: list and imageGroupBytes read
// from it, items rebuilt, TitleSaved. A missing or foreign file gives an empty
// list and no message.
void LoadGroupFileAsDocument(Editor& editor);

// Makes the file at `path` the document as LoadGroupFileAsDocument does, and
// shows the list on the loaded background.
void OpenGroupFile(Editor& editor, const Text& path);

// Rebuilds one item per image of the list's group, in order.
void RebuildItems(Editor& editor);

}  // namespace tilvane
