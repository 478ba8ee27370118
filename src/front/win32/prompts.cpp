#include "front/win32/prompts.h"

#include <algorithm>
#include <cstdio>

#include "core/platform/text_codes.h"
#include "front/win32/controls.h"

namespace tilvane::win32 {

UINT MessageBoxStyle(BoxButtons buttons, BoxIcon icon) {
  return static_cast<UINT>(buttons) | static_cast<UINT>(icon) | MB_TASKMODAL;
}

BoxAnswer AnswerOfBoxResult(int result) {
  switch (result) {
    case IDCANCEL: return BoxAnswer::Cancel;
    case IDYES: return BoxAnswer::Yes;
    case IDNO: return BoxAnswer::No;
    default: return BoxAnswer::Ok;
  }
}

std::wstring CommonDialogFilter(const Text& filter) {
  std::wstring joined;
  for (const FilterEntry& entry : ParseDialogFilter(filter)) {
    joined += WideOf(entry.description);
    joined += L'\0';
    joined += WideOf(entry.pattern);
    joined += L'\0';
  }
  if (!joined.empty()) joined += L'\0';
  return joined;
}

DWORD CommonDialogFilterIndex(int initialFilterIndex, std::size_t filterCount) {
  if (filterCount == 0) return 0;
  if (initialFilterIndex < 0 || static_cast<std::size_t>(initialFilterIndex) >= filterCount) return 1;
  return static_cast<DWORD>(initialFilterIndex) + 1;
}

std::wstring WindowsPath(const Text& path) {
  std::wstring wide = WideOf(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide;
}

std::vector<wchar_t> FileNameBuffer(const Text& name) {
  std::vector<wchar_t> buffer(kFileNameBufferSize, L'\0');
  std::wstring wide = WindowsPath(name);
  if (wide.size() < buffer.size()) std::copy(wide.begin(), wide.end(), buffer.begin());
  return buffer;
}

namespace {

// A box or dialog disables the windows under it, which takes the focus from
// the control that had it before the window learns it is inactive. Nothing
// then gives the keyboard back to that control, so the caller does.
class KeyboardReturn {
 public:
  KeyboardReturn() : active_(::GetActiveWindow()), focus_(::GetFocus()) {}
  ~KeyboardReturn() {
    if (!active_ || !::IsWindow(active_) || !::IsWindowVisible(active_)) return;
    ::SetActiveWindow(active_);
    if (focus_ && ::IsWindow(focus_) && ::IsChild(active_, focus_)) ::SetFocus(focus_);
  }
  KeyboardReturn(const KeyboardReturn&) = delete;
  KeyboardReturn& operator=(const KeyboardReturn&) = delete;

 private:
  HWND active_;
  HWND focus_;
};

}  // namespace

// No owner: a task-modal box without one disables every top-level window of
// this thread until it is answered.
BoxAnswer Win32Prompts::MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) {
  KeyboardReturn keyboard;
  int result = ::MessageBoxW(nullptr, WideOf(text).c_str(), WideOf(caption).c_str(), MessageBoxStyle(buttons, icon));
  return AnswerOfBoxResult(result);
}

std::optional<Text> Win32Prompts::FileDialog(const CommonDialog& dialog, const Text& startFolder) {
  const std::wstring filter = CommonDialogFilter(dialog.filter);
  const std::wstring title = WideOf(dialog.title);
  const std::wstring folder = WindowsPath(startFolder);
  // The system appends the default extension without its dot.
  std::wstring extension = WideOf(dialog.defaultExtension);
  if (!extension.empty() && extension.front() == L'.') extension.erase(0, 1);
  std::vector<wchar_t> fileName = FileNameBuffer(dialog.fileName);

  OPENFILENAMEW dialogState{};
  dialogState.lStructSize = sizeof(dialogState);
  dialogState.hwndOwner = ::GetActiveWindow();
  dialogState.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialogState.nFilterIndex =
      CommonDialogFilterIndex(dialog.initialFilterIndex, ParseDialogFilter(dialog.filter).size());
  dialogState.lpstrFile = fileName.data();
  dialogState.nMaxFile = static_cast<DWORD>(fileName.size());
  dialogState.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialogState.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialogState.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  // The handlers remember the folder the next dialog starts in, so the
  // working directory stays the program's own folder.
  dialogState.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  const bool open = dialog.kind == FileDialogKind::Open;
  dialogState.Flags |= open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT;

  BOOL confirmed = FALSE;
  {
    KeyboardReturn keyboard;
    confirmed = open ? ::GetOpenFileNameW(&dialogState) : ::GetSaveFileNameW(&dialogState);
  }
  if (!confirmed) {
    // Zero means the user cancelled; anything else is a failure, which the
    // handlers take as a cancel too.
    if (DWORD error = ::CommDlgExtendedError(); error != 0) {
      std::fprintf(stderr, "tilvane: the file dialog failed (common dialog error 0x%lx)\n",
                   static_cast<unsigned long>(error));
    }
    return std::nullopt;
  }
  fileName.back() = L'\0';
  return platform::WideToUtf8(std::wstring_view(fileName.data()));
}

}  // namespace tilvane::win32
