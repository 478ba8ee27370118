// The controls of editor/controls.h over plain Win32: each control is a child
// window of its top-level window, which receives the notifications of all of
// them and hands each to the control it came from. One file per control
// kind; window.cpp holds the top-level window and the front end.
//
// Positions and sizes at this layer are layout pixels, at 96 DPI; each window
// scales them to the DPI of the monitor it is on.
#pragma once

#include "front/win32/system.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/imagegroup/codec.h"
#include "editor/controls.h"

namespace tilvane::win32 {

// UTF-8 as UTF-16 for the wide calls (bytes that are not UTF-8 each as
// U+FFFD), and back.
std::wstring WideOf(const Text& text);
Text TextOf(std::wstring_view wide);

class Win32Window;

// Something a window keeps for as long as it lives.
class WindowPart {
 public:
  virtual ~WindowPart() = default;
  // Called while the window and its children still exist, before they go.
  virtual void Detach() {}
};

// A child window whose notifications its top-level window hands on.
class ChildPart : public WindowPart {
 public:
  virtual void OnCommand(WORD /*code*/) {}
  virtual LRESULT OnNotify(NMHDR* /*header*/, bool& handled) {
    handled = false;
    return 0;
  }
  virtual void OnDrawItem(const DRAWITEMSTRUCT& /*item*/) {}
  virtual void OnMeasureItem(MEASUREITEMSTRUCT& /*item*/) {}
  // The window's DPI or font changed: place the child again.
  virtual void Rescale() = 0;
};

// The common properties of a control over its child window.
template <typename Kind>
class ChildControl : public Kind, public ChildPart {
 public:
  ChildControl(Win32Window& window, const ControlSpec& spec, const wchar_t* windowClass, DWORD style,
               const std::wstring& text = {}, DWORD exStyle = 0);

  HWND hwnd() const { return hwnd_; }
  Win32Window& window() const { return window_; }

  Rect geometry() const override { return layout_; }
  void setGeometry(const Rect& geometry) override;
  bool disabled() const override { return !::IsWindowEnabled(hwnd_); }
  void setDisabled(bool disabled) override { ::EnableWindow(hwnd_, !disabled); }
  bool visible() const override { return ::IsWindowVisible(hwnd_); }
  void setVisible(bool visible) override { ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
  void Rescale() override;

 protected:
  Win32Window& window_;
  HWND hwnd_ = nullptr;
  Rect layout_;
};

class Win32Button final : public ChildControl<Button> {
 public:
  Win32Button(Win32Window& window, const ControlSpec& spec, bool column);
  Text caption() const override { return caption_; }
  void setCaption(const Text& caption) override;
  void OnCommand(WORD code) override;
  void OnDrawItem(const DRAWITEMSTRUCT& item) override;  // a column button's

 private:
  Text caption_;
  bool column_;
};

class Win32Label final : public ChildControl<Label> {
 public:
  Win32Label(Win32Window& window, const ControlSpec& spec, bool vertical);
  Text caption() const override { return caption_; }
  void OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  Text caption_;
};

class Win32PictureBox final : public ChildControl<PictureBox> {
 public:
  Win32PictureBox(Win32Window& window, const ControlSpec& spec);
  Bytes picture() const override { return picture_; }
  void setPicture(Bytes picture) override;
  void OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  Bytes picture_;
};

class Win32ColourPicker final : public ChildControl<ColourPicker> {
 public:
  Win32ColourPicker(Win32Window& window, const ControlSpec& spec);
  Colour colour() const override { return colour_; }
  void setColour(Colour colour) override;
  void OnCommand(WORD code) override;
  void OnDrawItem(const DRAWITEMSTRUCT& item) override;
  void OnMeasureItem(MEASUREITEMSTRUCT& item) override;
  void Rescale() override;

 private:
  void ShowCurrent();
  void Choose(int entry);
  // Inserts an entry at `position` (-1: at the end); returns its index.
  int AddEntry(int position, const std::wstring& name, LPARAM data);

  Colour colour_;
  int customEntry_ = 0;
};

class Win32IconList final : public ChildControl<IconList> {
 public:
  Win32IconList(Win32Window& window, const ControlSpec& spec);
  ~Win32IconList() override;

  void setImageGroup(const Bytes& bytes) override;
  void setImageGroup(Bytes&& bytes) override;
  const Bytes& imageGroup() const override { return bytes_; }
  Bytes takeImageGroup() override;
  int imageCount() const override;
  int itemCount() const override { return items_.Count(); }
  int insertItem(int position, const Text& caption, int imageIndex) override;
  void setNumberedItems(int count) override;
  void clearItems() override;
  int selectedIndex() const override;
  void setSelectedIndex(int index) override;
  Colour backgroundColour() const override { return background_; }
  void setBackgroundColour(Colour colour) override;

  LRESULT OnNotify(NMHDR* header, bool& handled) override;
  void Rescale() override;
  // The context-menu key or a right click on the list, at a screen position
  // (-1, -1 for the key).
  void OnContextMenu(POINT at);
  // Runs the held-back current-item event.
  void ReportCurrentChanged();
  // The item a typed prefix leads to (LVN_ODFINDITEMW), -1 for none.
  int FindItem(const LVFINDINFOW& find, int start) const;

 private:
  void ShowImages();
  void ShowBackground();
  void ItemsChanged();
  // Takes `states` (LVIS_SELECTED, LVIS_FOCUSED) from the items that have them.
  void ClearStates(UINT states);
  // The image list's slot of group image `image`, rendered on first use;
  // -1 for no image.
  int SlotOf(int image);
  int AddImage(const ImageList& header, const Image& image);
  void ReleaseBitmaps();

  Bytes bytes_;
  std::optional<ImageGroupReader> group_;
  HIMAGELIST images_ = nullptr;
  std::map<int, int> slots_;  // group image -> image list slot
  // What each image is drawn into before the image list copies it.
  HBITMAP colourBitmap_ = nullptr;
  HBITMAP maskBitmap_ = nullptr;
  std::uint32_t* colourBits_ = nullptr;
  std::vector<std::uint8_t> maskBits_;
  int bitmapSize_ = 0;
  IconListItems items_;
  Colour background_ = 0x00FFFFFF;
  bool currentChangePending_ = false;
};

class Win32Timer final : public Timer, public WindowPart {
 public:
  Win32Timer(Win32Window& window, UINT_PTR id) : window_(window), id_(id) {}
  int interval() const override { return interval_; }
  void setInterval(int milliseconds) override;
  void Detach() override;

 private:
  Win32Window& window_;
  UINT_PTR id_;
  int interval_ = 0;
};

class Win32MenuItem final : public MenuItem {
 public:
  Win32MenuItem(HMENU menu, UINT id, Text caption) : menu_(menu), id_(id), caption_(std::move(caption)) {}
  Text caption() const override { return caption_; }
  bool disabled() const override;
  void setDisabled(bool disabled) override;

 private:
  HMENU menu_;
  UINT id_;
  Text caption_;
};

class Win32PopupMenu final : public PopupMenu, public WindowPart {
 public:
  explicit Win32PopupMenu(Win32Window& window);
  ~Win32PopupMenu() override;
  MenuItem* AddItem(const Text& name, const Text& caption, const Text& shortcut) override;
  void AddSeparator() override;
  void Popup(Point screenPosition) override;

 private:
  Win32Window& window_;
  HMENU menu_;
  std::vector<std::unique_ptr<Win32MenuItem>> items_;
};

class OleDropTarget;

class Win32DropTarget final : public DropTarget, public WindowPart {
 public:
  explicit Win32DropTarget(Win32Window& window) : window_(window) {}
  ~Win32DropTarget() override;
  bool Register(IconList& list) override;
  bool registered() const override { return target_ != nullptr; }
  void Detach() override;
  // Hands dropped paths to onFilesDropped from the event loop.
  void Deliver(Text paths);

 private:
  Win32Window& window_;
  HWND list_ = nullptr;
  OleDropTarget* target_ = nullptr;
};

// A top-level window: the main window, or a small tool window above its owner.
class Win32Window final : public Window {
 public:
  Win32Window(const WindowStyle& style, Win32Window* owner);
  ~Win32Window() override;

  HWND hwnd() const { return hwnd_; }
  // Layout pixels as this window's pixels, and back.
  int Scaled(int layoutPixels) const;
  int Unscaled(int pixels) const;
  HFONT font() const { return font_; }
  HBRUSH background() const { return background_; }
  // A command or control id no other item of this window has.
  UINT NewId() { return nextId_++; }
  void AddChild(UINT id, ChildPart* child) { children_[id] = child; }
  void AddCommand(UINT id, std::function<void()>* event) { commands_[id] = event; }
  void AddTimer(UINT_PTR id, std::function<void()>* event) { timers_[id] = event; }
  // Runs `action` from the event loop, after the message at hand.
  void Post(std::function<void()> action);
  // The child that takes the keyboard focus when the window is first
  // activated, instead of the first Tab stop.
  void TakeFocusFirst(HWND child) {
    if (!focus_) focus_ = child;
  }

  Text caption() const override;
  void setCaption(const Text& caption) override;
  Rect geometry() const override;
  bool visible() const override { return ::IsWindowVisible(hwnd_); }
  void setVisible(bool visible) override;
  void close() override;
  void AfterFirstFrame(std::function<void()> action) override;

  Button* AddButton(const ControlSpec& spec, bool column) override;
  Label* AddLabel(const ControlSpec& spec, bool vertical) override;
  PictureBox* AddPictureBox(const ControlSpec& spec) override;
  ColourPicker* AddColourPicker(const ControlSpec& spec) override;
  IconList* AddIconList(const ControlSpec& spec) override;
  Timer* AddTimer(const char* name) override;
  PopupMenu* AddPopupMenu(const char* name) override;
  DropTarget* AddDropTarget(const char* name) override;

  // The desktop session is ending: true lets it end. Unset, it may end.
  std::function<bool()> onSessionEnding;
  // The session ends now: the program is about to be stopped.
  std::function<void()> onSessionEnd;
  // Asks for onTerminationRequest from any thread. It runs in whichever
  // message loop runs then: a box's, a dialog's or a menu's too.
  void PostTerminationRequest() const;
  std::function<void()> onTerminationRequest;

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  ChildPart* ChildOf(UINT id) const;
  void ChangeDpi(UINT dpi, const RECT* suggested);
  void RestoreFocus();
  void RunPosted();
  template <typename Part, typename... Args>
  Part* Keep(Args&&... args);

  HWND hwnd_ = nullptr;
  HWND focus_ = nullptr;  // the child to give the focus back to
  Rect layout_;
  bool tool_;
  bool alive_ = true;
  bool placed_ = false;         // centred on its first show
  bool painted_ = false;        // the first frame is on screen
  bool closedForGood_ = false;  // onDestroyed has run
  bool closingItself_ = false;  // close() asked, not the user
  UINT dpi_ = 96;
  HFONT font_ = nullptr;
  HBRUSH background_ = nullptr;
  UINT nextId_ = 100;
  std::vector<std::unique_ptr<WindowPart>> parts_;
  std::map<UINT, ChildPart*> children_;
  std::map<UINT, std::function<void()>*> commands_;
  std::map<UINT_PTR, std::function<void()>*> timers_;
  std::vector<std::function<void()>> posted_;
  std::vector<std::function<void()>> afterFirstFrame_;
  std::wstring spokenName_;  // for screen readers, when not the title (accessible_name.h)
};

class Win32FrontEnd final : public FrontEnd {
 public:
  Win32FrontEnd();
  std::unique_ptr<Window> NewWindow(const WindowStyle& style, Window* owner) override;
};

// Hands one message of the event loop on. Tab, the arrow keys, the buttons'
// access keys and Escape work in our windows as they do in a dialog.
void Dispatch(MSG& message);

// The face the controls are drawn in: the platform's Chinese UI face where it
// is installed, else any face with Han glyphs, else the system's own.
const std::wstring& CaptionFontFace();
inline constexpr int kCaptionFontPointSize = 9;
HFONT NewCaptionFont(UINT dpi, int pixelHeight = 0);

// The system's DPI calls where this Windows has them, 96 where not.
UINT DpiOfWindow(HWND hwnd);
UINT SystemDpi();

}  // namespace tilvane::win32
