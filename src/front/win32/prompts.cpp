#include "front/win32/prompts.h"

#include "front/win32/controls.h"
#include "front/win32/system.h"

namespace tilvane::win32 {

BoxAnswer Win32Prompts::MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) {
  UINT flags = static_cast<UINT>(buttons) | static_cast<UINT>(icon) | MB_TASKMODAL;
  switch (::MessageBoxW(::GetActiveWindow(), WideOf(text).c_str(), WideOf(caption).c_str(), flags)) {
    case IDYES: return BoxAnswer::Yes;
    case IDNO: return BoxAnswer::No;
    case IDCANCEL: return BoxAnswer::Cancel;
    default: return BoxAnswer::Ok;
  }
}

std::optional<Text> Win32Prompts::FileDialog(const CommonDialog& dialog, const Text& startFolder) {
  std::wstring filter;
  for (const auto& entry : ParseDialogFilter(dialog.filter)) {
    filter += WideOf(entry.description) + L'\0' + WideOf(entry.pattern) + L'\0';
  }
  filter += L'\0';
  std::wstring file = WideOf(dialog.fileName);
  file.resize(32768, L'\0');
  std::wstring title = WideOf(dialog.title);
  std::wstring folder = WideOf(startFolder);
  std::wstring extension = WideOf(dialog.defaultExtension);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ::GetActiveWindow();
  ofn.lpstrFilter = filter.size() > 1 ? filter.c_str() : nullptr;
  ofn.nFilterIndex = static_cast<DWORD>(std::max(dialog.initialFilterIndex, 0)) + 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  bool chosen;
  if (dialog.kind == FileDialogKind::Save) {
    ofn.Flags |= OFN_OVERWRITEPROMPT;
    chosen = ::GetSaveFileNameW(&ofn);
  } else {
    ofn.Flags |= OFN_FILEMUSTEXIST;
    chosen = ::GetOpenFileNameW(&ofn);
  }
  if (!chosen) return std::nullopt;
  return TextOf(file.c_str());
}

}  // namespace tilvane::win32
