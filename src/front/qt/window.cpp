#include "front/qt/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include "front/qt/accessible_windows.h"
#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

namespace {

QSize FrameExtra(const QWidget* window) {
  if (!window->isVisible()) return {};
  return window->frameGeometry().size() - window->size();
}

}  // namespace

QSize OuterSize(const QWidget* window) { return window->size() + FrameExtra(window); }

void SetOuterSize(QWidget* window, int width, int height) {
  QSize inner = QSize(width, height) - FrameExtra(window);
  if (window->maximumSize() == window->minimumSize())
    window->setFixedSize(inner);
  else
    window->resize(inner);
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QSize outer = OuterSize(window);
  window->move(area.left() + (area.width() - outer.width()) / 2, area.top() + (area.height() - outer.height()) / 2);
}

TopLevelWidget::TopLevelWidget(const WindowStyle& style, QWidget* owner)
    : QWidget(owner, owner ? Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                                 Qt::CustomizeWindowHint
                           : Qt::WindowFlags()),
      layoutGeometry_(style.geometry),
      tool_(owner != nullptr) {
  setWindowTitle(QStringOf(style.caption));
  // An empty name leaves the title as the window's name.
  setAccessibleName(QString::fromUtf8(style.accessible.name));
  setAccessibleDescription(QString::fromUtf8(style.accessible.description));
  move(style.geometry.left, style.geometry.top);
  if (style.sizable)
    resize(style.geometry.width, style.geometry.height);
  else
    setFixedSize(style.geometry.width, style.geometry.height);
  if (style.hasBackground) {
    QPalette p = palette();
    p.setColor(QPalette::Window, QColorOf(style.background));
    setPalette(p);
    setAutoFillBackground(true);
  }
}

void TopLevelWidget::closeEvent(QCloseEvent* event) {
  bool asks = !tool_ || event->spontaneous();
  if (asks && onCloseRequest && !onCloseRequest()) {
    event->ignore();
    return;
  }
  event->accept();
  if (!destroyed_) {
    destroyed_ = true;
    if (onDestroyed) onDestroyed();
  }
}

// Escape reaches the window when the control with the focus has no use for it.
void TopLevelWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && onEscape) {
    onEscape();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TopLevelWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onResized) onResized();
}

void TopLevelWidget::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  // Queued, so that it runs once this frame is on screen.
  QTimer::singleShot(0, this, [this] {
    auto actions = std::move(onFirstFrame);
    onFirstFrame.clear();
    for (auto& action : actions) action();
  });
}

// The frame is known only once the window is shown: on the first show, makes
// the outer size the layout's and centres the window.
void TopLevelWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (sized_) return;
  sized_ = true;
  SetOuterSize(this, layoutGeometry_.width, layoutGeometry_.height);
  CentreOnScreen(this);
}

// A tool window that had the keyboard hands it back to its owner, whose
// focus widget takes it again; not every window system does that itself.
void TopLevelWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (tool_ && parentWidget() && parentWidget()->isVisible() &&
      (QApplication::activeWindow() == this || QApplication::activeWindow() == nullptr)) {
    parentWidget()->activateWindow();
  }
}

template <typename Part, typename... Args>
Part* QtWindow::Keep(Args&&... args) {
  auto part = std::make_unique<Part>(std::forward<Args>(args)...);
  Part* kept = part.get();
  parts_.push_back(std::move(part));
  return kept;
}

QtWindow::QtWindow(const WindowStyle& style, QtWindow* owner)
    : widget_(new TopLevelWidget(style, owner ? owner->widget_.data() : nullptr)) {
  widget_->onCloseRequest = [this] { return !onCloseRequest || onCloseRequest(); };
  widget_->onResized = [this] {
    if (onResized) onResized();
  };
  widget_->onDestroyed = [this] {
    if (onDestroyed) onDestroyed();
  };
  widget_->onEscape = [this] {
    if (onEscape) onEscape();
  };
}

// The widget goes first, with every child widget, while the parts that
// forward their events are still here.
QtWindow::~QtWindow() { delete widget_.data(); }

QObject* QtWindow::object() const { return widget_; }
Text QtWindow::caption() const { return TextOf(widget_->windowTitle()); }
void QtWindow::setCaption(const Text& caption) { widget_->setWindowTitle(QStringOf(caption)); }

Rect QtWindow::geometry() const {
  QRect frame = widget_->isVisible() ? widget_->frameGeometry() : widget_->geometry();
  QSize outer = OuterSize(widget_);
  return {frame.x(), frame.y(), outer.width(), outer.height()};
}

bool QtWindow::visible() const { return widget_->isVisible(); }

void QtWindow::setVisible(bool visible) {
  widget_->setVisible(visible);
  if (!visible) return;
  widget_->raise();
  // A tool window too takes the keyboard, as a shown dialog does.
  widget_->activateWindow();
}

void QtWindow::close() { widget_->close(); }

// Once the event loop runs: at once when the window is hidden (nothing to wait
// for), else after its first frame.
void QtWindow::AfterFirstFrame(std::function<void()> action) {
  QTimer::singleShot(0, widget_, [widget = widget_, action = std::move(action)]() mutable {
    if (widget->isVisible() && !widget->firstFrameDrawn()) {
      widget->onFirstFrame.push_back(std::move(action));
    } else {
      action();
    }
  });
}

Button* QtWindow::AddButton(const ControlSpec& spec, bool column) { return Keep<QtButton>(widget_, spec, column); }
Label* QtWindow::AddLabel(const ControlSpec& spec, bool vertical) { return Keep<QtLabel>(widget_, spec, vertical); }
PictureBox* QtWindow::AddPictureBox(const ControlSpec& spec) { return Keep<QtPictureBox>(widget_, spec); }
ColourPicker* QtWindow::AddColourPicker(const ControlSpec& spec) { return Keep<QtColourPicker>(widget_, spec); }
IconList* QtWindow::AddIconList(const ControlSpec& spec) { return Keep<QtIconList>(widget_, spec); }
Timer* QtWindow::AddTimer(const char* name) { return Keep<QtTimer>(widget_, name); }
PopupMenu* QtWindow::AddPopupMenu(const char* name) { return Keep<QtPopupMenu>(widget_, name); }
DropTarget* QtWindow::AddDropTarget(const char* name) { return Keep<QtDropTarget>(widget_, name); }

QtFrontEnd::QtFrontEnd() {
  // Named before any window exists, so that every control is built with it.
  // A family that covers Han spares Qt its search for a fallback font for the
  // Chinese captions when the first frame is drawn; where it is missing, Qt
  // substitutes one through fontconfig.
  QApplication::setFont(QFont(QString::fromUtf8(kCaptionFontFamily), kCaptionFontPointSize));
  InstallAccessibleWindows();
}

std::unique_ptr<Window> QtFrontEnd::NewWindow(const WindowStyle& style, Window* owner) {
  return std::make_unique<QtWindow>(style, dynamic_cast<QtWindow*>(owner));
}

}  // namespace tilvane::qt
