#include "front/win32/controls.h"

namespace tilvane::win32 {

namespace {

DropEffects AllowedOf(DWORD effects) {
  return {(effects & DROPEFFECT_COPY) != 0, (effects & DROPEFFECT_MOVE) != 0, (effects & DROPEFFECT_LINK) != 0};
}

DWORD EffectOf(DropEffect effect) {
  switch (effect) {
    case DropEffect::Copy: return DROPEFFECT_COPY;
    case DropEffect::Move: return DROPEFFECT_MOVE;
    case DropEffect::Link: return DROPEFFECT_LINK;
    case DropEffect::None: break;
  }
  return DROPEFFECT_NONE;
}

FORMATETC FilesFormat() { return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

std::vector<Text> DroppedPaths(IDataObject* data) {
  std::vector<Text> paths;
  FORMATETC format = FilesFormat();
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return paths;
  if (auto drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal))) {
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT k = 0; k < count; ++k) {
      UINT length = ::DragQueryFileW(drop, k, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      length = ::DragQueryFileW(drop, k, path.data(), length + 1);
      path.resize(length);
      paths.push_back(TextOf(path));
    }
    ::GlobalUnlock(medium.hGlobal);
  }
  ::ReleaseStgMedium(&medium);
  return paths;
}

}  // namespace

// The OLE side of a drop target: the effect follows DropEffectFor, the cursor
// never says "move", and a drop is always reported as not performed, so that
// no source deletes a file it offered for moving.
class OleDropTarget final : public IDropTarget {
 public:
  explicit OleDropTarget(Win32DropTarget& owner) : owner_(&owner) {}
  void Forget() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
      *object = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
    FORMATETC format = FilesFormat();
    hasFiles_ = data && data->QueryGetData(&format) == S_OK;
    *effect = EffectOf(DropCursorFor(EffectFor(keys, *effect)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
    *effect = EffectOf(DropCursorFor(EffectFor(keys, *effect)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
    DropEffect wanted = EffectFor(keys, *effect);
    *effect = DROPEFFECT_NONE;
    if (wanted == DropEffect::None || !owner_ || !owner_->onFilesDropped) return S_OK;
    std::vector<Text> paths = DroppedPaths(data);
    // The handlers run once the source has heard how the drop ended, as
    // they may ask the user something.
    if (!paths.empty()) owner_->Deliver(DroppedFilesText(paths));
    return S_OK;
  }

 private:
  DropEffect EffectFor(DWORD keys, DWORD allowed) const {
    return DropEffectFor(hasFiles_, (keys & MK_CONTROL) != 0, (keys & MK_SHIFT) != 0, AllowedOf(allowed));
  }

  Win32DropTarget* owner_;
  ULONG references_ = 1;
  bool hasFiles_ = false;
};

Win32DropTarget::~Win32DropTarget() { Detach(); }

void Win32DropTarget::Deliver(Text paths) {
  window_.Post([this, paths = std::move(paths)] {
    if (onFilesDropped) onFilesDropped(paths);
  });
}

bool Win32DropTarget::Register(IconList& list) {
  if (target_) return false;
  auto* control = dynamic_cast<Win32IconList*>(&list);
  if (!control) return false;
  auto* target = new OleDropTarget(*this);
  if (FAILED(::RegisterDragDrop(control->hwnd(), target))) {
    target->Release();
    // The last reference's Release deleted it, which the analyzer cannot follow.
    return false;  // NOLINT(clang-analyzer-cplusplus.NewDeleteLeaks)
  }
  list_ = control->hwnd();
  target_ = target;
  return true;
}

void Win32DropTarget::Detach() {
  if (!target_) return;
  ::RevokeDragDrop(list_);
  target_->Forget();
  target_->Release();
  target_ = nullptr;
}

}  // namespace tilvane::win32
