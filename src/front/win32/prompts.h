// The real prompts on Windows: the system's task-modal message boxes and the
// common open and save dialogs, called in their wide forms with the texts
// converted from UTF-8 at this edge.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "editor/prompts.h"
#include "front/win32/system.h"

namespace tilvane::win32 {

// The style word of a box: the buttons and the icon (whose values are the
// system's own style bits), always task-modal.
UINT MessageBoxStyle(BoxButtons buttons, BoxIcon icon);

// The button MessageBoxW reports as pressed, as the handlers count it; any
// other value (a failed box included) answers OK.
BoxAnswer AnswerOfBoxResult(int result);

// A bar-separated filter as the common dialog takes it: each description
// exactly as written and its pattern, every one ended by a NUL, and one more
// NUL after the last. Empty when the filter has no entry.
std::wstring CommonDialogFilter(const Text& filter);

// The common dialog counts its filters from 1; `initialFilterIndex` counts
// from 0. A negative or too large index selects the first filter; without
// filters the index is 0.
DWORD CommonDialogFilterIndex(int initialFilterIndex, std::size_t filterCount);

// The size, in UTF-16 units and with the terminating NUL, of the buffer in
// which the dialog proposes a name and returns the chosen path.
inline constexpr std::size_t kFileNameBufferSize = 32768;

// That buffer, holding `name` (with backslashes for slashes) when it fits
// with its NUL, else empty.
std::vector<wchar_t> FileNameBuffer(const Text& name);

// UTF-8 as UTF-16, any slash turned into a backslash.
std::wstring WindowsPath(const Text& path);

class Win32Prompts final : public Prompts {
 public:
  BoxAnswer MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) override;
  std::optional<Text> FileDialog(const CommonDialog& dialog, const Text& startFolder) override;
};

}  // namespace tilvane::win32
