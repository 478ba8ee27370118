// Open, Save, Save As and Delete, each as a button and as a menu item, and the
// save question asked when the editor is left with unsaved changes.
#pragma once

#include <optional>

#include "editor/editor.h"

namespace tilvane {

void OnOpenButton(Editor& editor);
void OnOpenMenu(Editor& editor);
void OnSaveButton(Editor& editor);
void OnSaveMenu(Editor& editor);
void OnSaveAsButton(Editor& editor);
void OnSaveAsMenu(Editor& editor);
void OnDeleteButton(Editor& editor);
void OnDeleteMenu(Editor& editor);

// Opens `path` as the Open button does once its dialog has given a file: the
// file becomes the document with the saved title; one that does not decode
// shows no images. A path that is not a readable file is refused with a box
// saying so. For the program's FILE argument.
void OpenDocumentFile(Editor& editor, const Text& path);

enum class LeavingOutcome { Saved, NothingToSave, Cancelled, WriteFailed };
LeavingOutcome SaveBeforeLeaving(Editor& editor);

// Close request: false keeps the window open; true or no value lets it close.
std::optional<bool> OnMainCloseRequest(Editor& editor);
void OnExitCommand(Editor& editor);
// The desktop session is ending: with unsaved changes, the question of Exit.
// False when the session should not end (Cancel, or a save that failed).
bool OnSessionEnding(Editor& editor);

// How much of a file name PathFileName gives; the numbers are the modes of
// PathFileNameOf.
enum class FileNamePart { WithoutExtension = 0, WithExtension = 1 };

// The file name of `path`, without or with its extension; a path of the wrong
// shape shows an error box and gives "输入错误".
Text PathFileName(Editor& editor, const Text& path, FileNamePart part);

}  // namespace tilvane
