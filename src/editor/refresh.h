// Bringing the icon list up to date with the document.
#pragma once

#include "editor/editor.h"

namespace tilvane {

// After an edit of imageGroupBytes: writes the temporary file, gives the list
// the group read back from it (the document's own bytes when that round trip
// fails, so the list always shows the document), rebuilds the items "0", "1",
// …, shows TitleModified and enables 按钮4.
void RefreshIconList(Editor& editor);

// Makes the file at currentPath the document: list and imageGroupBytes read
// from it, items rebuilt, TitleSaved. A missing or foreign file gives an empty
// list and no message.
void LoadGroupFileAsDocument(Editor& editor);

// Rebuilds one item per image of the list's group, in order.
void RebuildItems(Editor& editor);

}  // namespace tilvane
