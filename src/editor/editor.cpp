#include "editor/editor.h"

#include "core/files.h"
#include "core/music/player.h"

namespace tilvane {

Text TitleIdle() { return "Tilvane"; }
Text TitleSaved(const Text& currentPath) { return JoinTexts("Tilvane  ", currentPath); }
Text TitleModified(const Text& currentPath) { return JoinTexts("Tilvane  ", currentPath, "  临时数据(未保存)"); }

Text MainCaption(const Editor& editor) { return editor.main.window->caption(); }
void SetMainCaption(Editor& editor, const Text& caption) { editor.main.window->setCaption(caption); }

bool IsModified(const Editor& editor) { return TextEquals(RightText(MainCaption(editor), 1), ")"); }
bool IsDocumentLoaded(const Editor& editor) { return !TextEquals(MainCaption(editor), TitleIdle()); }

Text TempImageGroupPath() { return JoinTexts(GetSpecialFolder(11), "临时图片组.tmp"); }

void EndProgram(Editor& editor, int code) {
  if (editor.ended) return;
  editor.ended = true;
  RemoveFile(TempImageGroupPath());
  if (editor.services.music) editor.services.music->StopMusic();
  if (editor.services.quit) editor.services.quit(code);
}

Editor::~Editor() { destroying = true; }

}  // namespace tilvane
