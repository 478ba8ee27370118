#include "front/win32/accessible_name.h"

#include <oleacc.h>

namespace tilvane::win32 {

namespace {

// The system's client object with another name for the window itself;
// everything else, its children's names included, is the system's.
class NamedAccessible final : public IAccessible {
 public:
  NamedAccessible(IAccessible* inner, std::wstring name) : inner_(inner), name_(std::move(name)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return inner_->QueryInterface(iid, out);  // IOleWindow, IEnumVARIANT: the window's own
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) {
      inner_->Release();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return inner_->get_accName(child, name);
    if (!name) return E_POINTER;
    *name = ::SysAllocString(name_.c_str());
    return *name ? S_OK : E_OUTOFMEMORY;
  }

  // The rest is the system's.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return inner_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
    return inner_->Invoke(id, iid, locale, flags, parameters, result, exception, argument);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return inner_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return inner_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return inner_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return inner_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return inner_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return inner_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return inner_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return inner_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return inner_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return inner_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return inner_->get_accSelection(children); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return inner_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return inner_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return inner_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return inner_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
    return inner_->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return inner_->put_accValue(child, value);
  }

 private:
  IAccessible* inner_;
  std::wstring name_;
  LONG references_ = 1;
};

}  // namespace

LRESULT NamedClientObject(HWND hwnd, WPARAM wParam, const std::wstring& name) {
  IAccessible* standard = nullptr;
  if (FAILED(::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard))))
    return 0;
  auto* named = new NamedAccessible(standard, name);
  // LresultFromObject holds its own reference for the caller.
  LRESULT result = ::LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(named));
  named->Release();
  return result;
}

}  // namespace tilvane::win32
