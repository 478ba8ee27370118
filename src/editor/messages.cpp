#include "editor/messages.h"

#include "editor/refresh.h"

namespace tilvane {

void ShowPathShapeError(Editor& editor) {
  Text text = JoinTexts("您提供的路径不是标准的磁盘文件路径或网络文件路径!", kLineBreak,
                        "标准的磁盘文件路径为{盘符:\\路径\\文件名}~~~~", kLineBreak,
                        "标准网络文件路径为{FTP或HTTP://网址/文件名}~~~");
  ShowMessageBox(editor.prompts(), text, BoxButtons::Ok, BoxIcon::None, "错误");
}

void ShowWriteFailure(Editor& editor, const Text& path, const Text& reason) {
  Text text = JoinTexts("无法写入文件:", kLineBreak, path, kLineBreak, "原因: ", reason);
  ShowMessageBox(editor.prompts(), text, BoxButtons::Ok, BoxIcon::Warning, "错误");
}

bool ConfirmReplace(Editor& editor, const Text& path) {
  Text text = JoinTexts("文件已存在:", kLineBreak, path, kLineBreak, "要替换它吗?");
  return ShowMessageBox(editor.prompts(), text, BoxButtons::YesNo, BoxIcon::Question, "提示:") == BoxAnswer::Yes;
}

Text MergeQuestionWithNotice() { return JoinTexts(kMergeQuestion, kLineBreak, kMergeNotAvailable); }

void OpenGroupFileUnlessMerging(Editor& editor, const Text& path, const Text& question) {
  if (editor.main.图标列表框->itemCount() == 0) {
    OpenGroupFile(editor, path);
    return;
  }
  BoxAnswer answer = ShowMessageBox(editor.prompts(), question, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:");
  if (answer != BoxAnswer::No) return;
  OpenGroupFile(editor, path);
  editor.main.按钮4->setDisabled(false);
}

}  // namespace tilvane
