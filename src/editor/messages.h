// Texts and boxes that more than one command shows, and the steps that
// follow their answers.
#pragma once

#include "editor/editor.h"

namespace tilvane {

// Line breaks inside message texts are a line feed followed by a carriage return.
inline const Text kLineBreak = "\n\r";

inline constexpr const char* kNothingToSave = "当前图片组中图片数量为0或未载入图片组,无需保存!";
inline constexpr const char* kMergeQuestion = "该文件是一个Quill图片组的封装文件，是否将其与现在的文件合并?";
inline constexpr const char* kMergeNotAvailable = "由于合并操作比较复杂，本人时间有限，因此，合并功能尚未实现。";
inline constexpr const char* kNewGroupQuestion = "当前未打开图片组,是否新建一组图标组?";
inline constexpr const char* kInputError = "输入错误";

// The three-line box for a path that is neither a disk path nor a network path.
void ShowPathShapeError(Editor& editor);

// Tells the user that `path` could not be written, and why.
void ShowWriteFailure(Editor& editor, const Text& path, const Text& reason);

// Asks whether an existing `path` may be replaced; true for Yes.
bool ConfirmReplace(Editor& editor, const Text& path);

// The one-line merge question, and the two-line one that also says merging
// does not exist.
Text MergeQuestionWithNotice();

// Opens the group file at `path` in place of the document. While the list
// shows images, only once the user answers No to the merge `question`
// (merging does not exist; Yes and Cancel change nothing), and the opened
// group then counts as unsaved: 按钮4 is enabled.
void OpenGroupFileUnlessMerging(Editor& editor, const Text& path, const Text& question);

}  // namespace tilvane
