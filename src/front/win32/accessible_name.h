// A window's name for screen readers where its window text cannot carry it:
// the export dialog shows no title, yet a reader must be able to say what it
// is. The window answers WM_GETOBJECT for its client object with the
// system's own object under the name given.
#pragma once

#include <string>

#include "front/win32/system.h"

namespace tilvane::win32 {

// The answer to WM_GETOBJECT(wParam, OBJID_CLIENT) for `hwnd`: its standard
// client object, renamed `name`; 0 (the system's own answer) when that
// object cannot be made.
LRESULT NamedClientObject(HWND hwnd, WPARAM wParam, const std::wstring& name);

}  // namespace tilvane::win32
