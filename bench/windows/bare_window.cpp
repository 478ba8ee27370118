// The reference for the Windows editor's start-up: a program that loads
// nothing of the editor's but its window table, and shows a plain window
// titled "bare" with the five column-button captions on plain push buttons,
// one character a line, in the editor's caption font (the one function of the
// front end it calls). That is what the platform charges for a window drawing
// that text; bench/windows/wine_bench.sh times both programs from process start to their
// window on screen.
#include <windows.h>

#include <string>

#include "editor/layout.h"
#include "front/win32/controls.h"

namespace {

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring text(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text.data(), n);
  return text;
}

// One character a line, as the column buttons show their captions.
std::wstring OneCharacterALine(const std::wstring& text) {
  std::wstring lines;
  for (wchar_t c : text) {
    if (!lines.empty()) lines += L'\n';
    lines += c;
  }
  return lines;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"BareWindow";
  RegisterClassW(&windowClass);
  const auto& layout = tilvane::kMainWindowLayout;
  HWND window = CreateWindowExW(0, L"BareWindow", L"bare", WS_OVERLAPPEDWINDOW, layout.left, layout.top, layout.width,
                                layout.height, nullptr, nullptr, instance, nullptr);
  HFONT font = tilvane::win32::NewCaptionFont(tilvane::win32::SystemDpi());
  for (const auto& control : layout.controls) {
    if (control.kind != tilvane::ControlKind::ColumnButton) continue;
    HWND button =
        CreateWindowExW(0, L"BUTTON", OneCharacterALine(Wide(control.text)).c_str(),
                        WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER, control.left,
                        control.top, control.width, control.height, window, nullptr, instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DeleteObject(font);
  return 0;
}
