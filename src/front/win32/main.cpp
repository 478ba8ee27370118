// Tilvane for Windows: the editor's program entry.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"Tilvane", L"Tilvane", MB_OK);
  return 0;
}
