
#include <algorithm>
#include <climits>
#include <stdexcept>

#include "core/platform/text_codes.h"
#include "front/win32/accessible_name.h"
#include "front/win32/controls.h"

namespace tilvane::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TilvaneWindow";
// Runs the actions Post queued.
constexpr UINT kRunPosted = WM_APP + 1;
// Runs onTerminationRequest.
constexpr UINT kTerminationRequested = WM_APP + 2;

template <typename Function>
Function SystemCall(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hIcon = ::LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

int CALLBACK FoundHanFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found) {
  // Vertical faces ("@…") lie on their side.
  if (font->lfFaceName[0] == L'@') return 1;
  *reinterpret_cast<std::wstring*>(found) = font->lfFaceName;
  return 0;
}

bool FaceIsInstalled(HDC dc, const wchar_t* face, BYTE charset) {
  LOGFONTW wanted{};
  wanted.lfCharSet = charset;
  ::lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
  std::wstring found;
  ::EnumFontFamiliesExW(dc, &wanted, FoundHanFace, reinterpret_cast<LPARAM>(&found), 0);
  return !found.empty();
}

}  // namespace

// Bytes that are not UTF-8 still show, each as U+FFFD, rather than emptying
// the whole text.
std::wstring WideOf(const Text& text) {
  if (std::optional<std::wstring> wide = platform::Utf8ToWide(text)) return *wide;
  if (text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), units);
  return wide;
}
Text TextOf(std::wstring_view wide) { return platform::WideToUtf8(wide); }

UINT SystemDpi() {
  static const auto getDpiForSystem = SystemCall<UINT(WINAPI*)()>("GetDpiForSystem");
  if (getDpiForSystem) return getDpiForSystem();
  HDC screen = ::GetDC(nullptr);
  UINT dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY));
  ::ReleaseDC(nullptr, screen);
  return dpi ? dpi : 96;
}

UINT DpiOfWindow(HWND hwnd) {
  static const auto getDpiForWindow = SystemCall<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  UINT dpi = getDpiForWindow ? getDpiForWindow(hwnd) : 0;
  return dpi ? dpi : SystemDpi();
}

const std::wstring& CaptionFontFace() {
  static const std::wstring face = [] {
    HDC screen = ::GetDC(nullptr);
    std::wstring chosen;
    for (const wchar_t* preferred : {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei",
                                     L"Noto Sans CJK SC", L"Droid Sans Fallback"}) {
      if (FaceIsInstalled(screen, preferred, DEFAULT_CHARSET)) {
        chosen = preferred;
        break;
      }
    }
    if (chosen.empty()) {
      // Any face that says it covers simplified Chinese.
      LOGFONTW wanted{};
      wanted.lfCharSet = GB2312_CHARSET;
      ::EnumFontFamiliesExW(screen, &wanted, FoundHanFace, reinterpret_cast<LPARAM>(&chosen), 0);
    }
    ::ReleaseDC(nullptr, screen);
    if (chosen.empty()) {
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
      chosen = metrics.lfMessageFont.lfFaceName;
    }
    return chosen;
  }();
  return face;
}

HFONT NewCaptionFont(UINT dpi, int pixelHeight) {
  LOGFONTW font{};
  font.lfHeight = pixelHeight > 0 ? -pixelHeight : -::MulDiv(kCaptionFontPointSize, static_cast<int>(dpi), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  ::lstrcpynW(font.lfFaceName, CaptionFontFace().c_str(), LF_FACESIZE);
  return ::CreateFontIndirectW(&font);
}

template <typename Part, typename... Args>
Part* Win32Window::Keep(Args&&... args) {
  auto part = std::make_unique<Part>(std::forward<Args>(args)...);
  Part* kept = part.get();
  parts_.push_back(std::move(part));
  return kept;
}

Win32Window::Win32Window(const WindowStyle& style, Win32Window* owner)
    : layout_(style.geometry),
      tool_(owner != nullptr),
      dpi_(owner ? owner->dpi_ : SystemDpi()),
      spokenName_(WideOf(style.accessible.name)) {
  RegisterWindowClass();
  background_ = style.hasBackground ? ::CreateSolidBrush(style.background) : ::GetSysColorBrush(COLOR_BTNFACE);
  font_ = NewCaptionFont(dpi_);
  DWORD windowStyle = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
  if (style.sizable) windowStyle |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  DWORD extended = WS_EX_CONTROLPARENT | (tool_ ? WS_EX_TOOLWINDOW : 0);
  hwnd_ =
      ::CreateWindowExW(extended, kWindowClass, WideOf(style.caption).c_str(), windowStyle, Scaled(style.geometry.left),
                        Scaled(style.geometry.top), Scaled(style.geometry.width), Scaled(style.geometry.height),
                        owner ? owner->hwnd_ : nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) throw std::runtime_error("the window could not be made");
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
  // The monitor the window landed on may have a DPI of its own.
  UINT dpi = DpiOfWindow(hwnd_);
  if (dpi != dpi_) ChangeDpi(dpi, nullptr);
}

// No event reaches the handlers once the window starts to go; the parts that
// hold system resources let go of them while the children still exist.
Win32Window::~Win32Window() {
  alive_ = false;
  for (auto& part : parts_) part->Detach();
  ::DestroyWindow(hwnd_);
  parts_.clear();
  ::DeleteObject(font_);
  ::DeleteObject(background_);
}

int Win32Window::Scaled(int layoutPixels) const { return ::MulDiv(layoutPixels, static_cast<int>(dpi_), 96); }
int Win32Window::Unscaled(int pixels) const { return ::MulDiv(pixels, 96, static_cast<int>(dpi_)); }

LRESULT CALLBACK Win32Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window || !window->alive_) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return window->Handle(message, wParam, lParam);
}

ChildPart* Win32Window::ChildOf(UINT id) const {
  auto found = children_.find(id);
  return found == children_.end() ? nullptr : found->second;
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETOBJECT:
      // A window without a title is named for screen readers all the same.
      if (static_cast<LONG>(lParam) == OBJID_CLIENT && !spokenName_.empty()) {
        if (LRESULT named = NamedClientObject(hwnd_, wParam, spokenName_)) return named;
      }
      break;
    case WM_COMMAND: {
      UINT id = LOWORD(wParam);
      // Escape, as the dialog manager reports it (no control has this id).
      if (id == IDCANCEL && (lParam == 0 || !ChildOf(id))) {
        if (onEscape) onEscape();
        return 0;
      }
      if (lParam == 0) {
        // A menu item chosen from one of this window's menus.
        auto found = commands_.find(id);
        if (found != commands_.end() && *found->second) (*found->second)();
        return 0;
      }
      if (ChildPart* child = ChildOf(id)) child->OnCommand(HIWORD(wParam));
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (ChildPart* child = ChildOf(static_cast<UINT>(header->idFrom))) {
        bool handled = false;
        LRESULT result = child->OnNotify(header, handled);
        if (handled) return result;
      }
      break;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (ChildPart* child = ChildOf(item->CtlID)) child->OnDrawItem(*item);
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (ChildPart* child = ChildOf(item->CtlID)) child->OnMeasureItem(*item);
      return TRUE;
    }
    case WM_CONTEXTMENU: {
      HWND from = reinterpret_cast<HWND>(wParam);
      if (auto* list = dynamic_cast<Win32IconList*>(ChildOf(static_cast<UINT>(::GetDlgCtrlID(from))))) {
        list->OnContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(hwnd_, &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      ::BeginPaint(hwnd_, &paint);
      ::EndPaint(hwnd_, &paint);
      if (!painted_) {
        painted_ = true;
        // The controls draw in their own WM_PAINT, which the queue hands out
        // only after every posted message: they are made to draw now, so
        // that what waits for the first frame runs behind a whole one.
        if (!afterFirstFrame_.empty()) {
          ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
          auto actions = std::move(afterFirstFrame_);
          afterFirstFrame_.clear();
          for (auto& action : actions) Post(std::move(action));
        }
      }
      return 0;
    }
    case WM_TIMER: {
      auto found = timers_.find(wParam);
      if (found != timers_.end() && *found->second) (*found->second)();
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) focus_ = focus;
      } else if (!HIWORD(wParam)) {
        RestoreFocus();
        return 0;
      }
      break;
    case WM_SIZE:
      if (onResized && wParam != SIZE_MINIMIZED) onResized();
      return 0;
    case WM_DPICHANGED: ChangeDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_CLOSE: {
      // A tool window asks only when the user closes it.
      bool asks = !tool_ || !closingItself_;
      closingItself_ = false;
      if (asks && onCloseRequest && !onCloseRequest()) return 0;
      ::ShowWindow(hwnd_, SW_HIDE);
      if (!closedForGood_) {
        closedForGood_ = true;
        if (onDestroyed) onDestroyed();
      }
      return 0;
    }
    case WM_QUERYENDSESSION: return !onSessionEnding || onSessionEnding() ? TRUE : FALSE;
    case WM_ENDSESSION:
      if (wParam && onSessionEnd) onSessionEnd();
      return 0;
    case kRunPosted: RunPosted(); return 0;
    case kTerminationRequested:
      if (onTerminationRequest) onTerminationRequest();
      return 0;
    default: break;
  }
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

// Back to the control that had the focus when the window was last active (at
// first the one chosen by TakeFocusFirst), else the first Tab stop: the
// system alone would give it to the window itself.
void Win32Window::RestoreFocus() {
  // Given to a control already (say, by whoever opened a box): it stays.
  if (HWND current = ::GetFocus(); current && ::IsChild(hwnd_, current)) {
    focus_ = current;
    return;
  }
  HWND focus = focus_;
  if (!focus || !::IsWindow(focus) || !::IsChild(hwnd_, focus) || !::IsWindowVisible(focus) ||
      !::IsWindowEnabled(focus)) {
    focus = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  }
  ::SetFocus(focus ? focus : hwnd_);
}

void Win32Window::ChangeDpi(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  HFONT old = font_;
  font_ = NewCaptionFont(dpi_);
  if (suggested) {
    ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    // Just made, on a monitor whose DPI differs from the one it was made for.
    ::SetWindowPos(hwnd_, nullptr, 0, 0, Scaled(layout_.width), Scaled(layout_.height),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (auto& [id, child] : children_) child->Rescale();
  ::DeleteObject(old);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Window::Post(std::function<void()> action) {
  posted_.push_back(std::move(action));
  if (posted_.size() == 1) ::PostMessageW(hwnd_, kRunPosted, 0, 0);
}

void Win32Window::PostTerminationRequest() const { ::PostMessageW(hwnd_, kTerminationRequested, 0, 0); }

void Win32Window::RunPosted() {
  auto actions = std::move(posted_);
  posted_.clear();
  for (auto& action : actions) {
    if (!alive_) return;
    action();
  }
}

Text Win32Window::caption() const {
  int length = ::GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  length = ::GetWindowTextW(hwnd_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return TextOf(text);
}

void Win32Window::setCaption(const Text& caption) { ::SetWindowTextW(hwnd_, WideOf(caption).c_str()); }

Rect Win32Window::geometry() const {
  RECT outer;
  ::GetWindowRect(hwnd_, &outer);
  return {Unscaled(outer.left), Unscaled(outer.top), Unscaled(outer.right - outer.left),
          Unscaled(outer.bottom - outer.top)};
}

// The first show centres the window on its monitor's work area.
void Win32Window::setVisible(bool visible) {
  if (!visible) {
    ::ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  if (!placed_) {
    placed_ = true;
    RECT outer;
    ::GetWindowRect(hwnd_, &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
      const RECT& area = monitor.rcWork;
      int width = outer.right - outer.left;
      int height = outer.bottom - outer.top;
      ::SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - width) / 2,
                     area.top + (area.bottom - area.top - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  // Showing a hidden window activates it; one already shown is brought up.
  if (::IsWindowVisible(hwnd_)) {
    ::SetForegroundWindow(hwnd_);
    ::BringWindowToTop(hwnd_);
  } else {
    ::ShowWindow(hwnd_, SW_SHOW);
  }
}

void Win32Window::close() {
  closingItself_ = true;
  ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
  closingItself_ = false;
}

// Once the event loop runs: at once when the window is hidden (nothing to wait
// for) or already drawn, else after its first frame.
void Win32Window::AfterFirstFrame(std::function<void()> action) {
  Post([this, action = std::move(action)]() mutable {
    if (::IsWindowVisible(hwnd_) && !painted_) {
      afterFirstFrame_.push_back(std::move(action));
    } else {
      action();
    }
  });
}

Button* Win32Window::AddButton(const ControlSpec& spec, bool column) { return Keep<Win32Button>(*this, spec, column); }
Label* Win32Window::AddLabel(const ControlSpec& spec, bool vertical) { return Keep<Win32Label>(*this, spec, vertical); }
PictureBox* Win32Window::AddPictureBox(const ControlSpec& spec) { return Keep<Win32PictureBox>(*this, spec); }
ColourPicker* Win32Window::AddColourPicker(const ControlSpec& spec) { return Keep<Win32ColourPicker>(*this, spec); }
IconList* Win32Window::AddIconList(const ControlSpec& spec) { return Keep<Win32IconList>(*this, spec); }

Timer* Win32Window::AddTimer(const char*) {
  UINT_PTR id = NewId();
  auto* timer = Keep<Win32Timer>(*this, id);
  AddTimer(id, &timer->onTick);
  return timer;
}

PopupMenu* Win32Window::AddPopupMenu(const char*) { return Keep<Win32PopupMenu>(*this); }
DropTarget* Win32Window::AddDropTarget(const char*) { return Keep<Win32DropTarget>(*this); }

template <typename Kind>
ChildControl<Kind>::ChildControl(Win32Window& window, const ControlSpec& spec, const wchar_t* windowClass, DWORD style,
                                 const std::wstring& text, DWORD exStyle)
    : window_(window), layout_(spec.geometry) {
  UINT id = window.NewId();
  // Tab stops only at controls that take input: never at a label or picture.
  if (::lstrcmpiW(windowClass, WC_STATICW) != 0) style |= WS_TABSTOP;
  // A control that shows no text of its own (the list, the picture box) has
  // its spoken name as its window text, which is what a screen reader reads.
  const std::wstring shown = text.empty() ? WideOf(spec.accessible.name) : text;
  hwnd_ = ::CreateWindowExW(exStyle, windowClass, shown.c_str(), style | WS_CHILD | WS_VISIBLE,
                            window.Scaled(layout_.left), window.Scaled(layout_.top), window.Scaled(layout_.width),
                            window.Scaled(layout_.height), window.hwnd(),
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) throw std::runtime_error("a control could not be made");
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(window.font()), FALSE);
  ::EnableWindow(hwnd_, !spec.disabled);
  window.AddChild(id, this);
}

template <typename Kind>
void ChildControl<Kind>::setGeometry(const Rect& geometry) {
  layout_ = geometry;
  ::MoveWindow(hwnd_, window_.Scaled(layout_.left), window_.Scaled(layout_.top), window_.Scaled(layout_.width),
               window_.Scaled(layout_.height), TRUE);
}

template <typename Kind>
void ChildControl<Kind>::Rescale() {
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(window_.font()), FALSE);
  setGeometry(layout_);
}

template class ChildControl<Button>;
template class ChildControl<Label>;
template class ChildControl<PictureBox>;
template class ChildControl<ColourPicker>;
template class ChildControl<IconList>;

void Dispatch(MSG& message) {
  HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
  wchar_t name[32] = {};
  const bool ours = root && ::GetClassNameW(root, name, 32) && std::wstring_view(name) == kWindowClass;
  if (ours && ::IsDialogMessageW(root, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

Win32FrontEnd::Win32FrontEnd() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
}

std::unique_ptr<Window> Win32FrontEnd::NewWindow(const WindowStyle& style, Window* owner) {
  return std::make_unique<Win32Window>(style, dynamic_cast<Win32Window*>(owner));
}

}  // namespace tilvane::win32
