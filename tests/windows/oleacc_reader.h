// Reading windows as a screen reader does on Windows, through oleacc's
// client objects: each child window's name and the Tab stops of a window.
// Wine's oleacc answers nothing through a window object (OBJID_WINDOW), so
// the reader walks the client object of the window, then each child's own.
#pragma once

#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "front/win32/system.h"

namespace tilvane::win32 {

// The name a screen reader says for `hwnd`: its client object's own name.
inline std::wstring SpokenName(HWND hwnd) {
  IAccessible* client = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&client))))
    return L"<no client object>";
  VARIANT self;
  ::VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::wstring spoken;
  if (SUCCEEDED(client->get_accName(self, &name)) && name) spoken.assign(name, ::SysStringLen(name));
  ::SysFreeString(name);
  client->Release();
  return spoken;
}

// The names of `window`'s children, in the order its client object lists them.
inline std::vector<std::wstring> SpokenNamesOfChildren(HWND window) {
  std::vector<std::wstring> names;
  IAccessible* client = nullptr;
  if (FAILED(::AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&client))))
    return names;
  long count = 0;
  client->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  long got = 0;
  ::AccessibleChildren(client, 0, count, children.data(), &got);
  for (long i = 0; i < got; ++i) {
    VARIANT& child = children[static_cast<std::size_t>(i)];
    HWND hwnd = nullptr;
    if (child.vt == VT_DISPATCH && child.pdispVal) {
      IAccessible* object = nullptr;
      if (SUCCEEDED(child.pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&object)))) {
        ::WindowFromAccessibleObject(object, &hwnd);
        object->Release();
      }
    }
    ::VariantClear(&child);
    if (hwnd && ::GetParent(hwnd) == window) names.push_back(SpokenName(hwnd));
  }
  client->Release();
  return names;
}

// The Tab stops of `window` in the order Tab visits them, from `first` round
// to just before it comes back.
inline std::vector<HWND> TabRing(HWND window, HWND first) {
  std::vector<HWND> ring{first};
  for (HWND next = ::GetNextDlgTabItem(window, first, FALSE); next && next != first && ring.size() < 64;
       next = ::GetNextDlgTabItem(window, next, FALSE)) {
    ring.push_back(next);
  }
  return ring;
}

}  // namespace tilvane::win32
