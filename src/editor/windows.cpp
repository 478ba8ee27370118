#include "editor/windows.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <type_traits>
#include <variant>

#include "editor/icon_list.h"
#include "editor/widgets.h"

namespace tilvane {

namespace {

QWidget* NewControl(ControlKind kind, const QString& text, QWidget* parent) {
  switch (kind) {
    case ControlKind::ColumnButton: return new ColumnButton(text, parent);
    case ControlKind::Button: return new QPushButton(text, parent);
    case ControlKind::Label: return new QLabel(text, parent);
    case ControlKind::VerticalLabel: return new VerticalLabel(text, parent);
    case ControlKind::IconList: return new IconList(parent);
    case ControlKind::PictureBox: {
      auto* box = new QLabel(parent);
      box->setAlignment(Qt::AlignCenter);
      box->setAutoFillBackground(true);
      QPalette p = box->palette();
      p.setColor(QPalette::Window, QColor(240, 240, 240));
      box->setPalette(p);
      return box;
    }
    case ControlKind::ColourPicker: return new ColourPicker(parent);
  }
  return nullptr;
}

// Builds the control of one row and keeps it in the row's member of `controls`.
template <typename Controls>
void BuildControl(const ControlLayout<Controls>& control, QWidget* parent, Controls& controls) {
  QWidget* widget = NewControl(control.kind, QString::fromUtf8(control.text), parent);
  widget->setObjectName(QString::fromUtf8(control.name));
  widget->setGeometry(control.left, control.top, control.width, control.height);
  widget->setEnabled(control.enabled);
  if (control.kind == ControlKind::ColumnButton || control.kind == ControlKind::Button) {
    widget->setFixedSize(control.width, control.height);
  }
  // layout.cpp asserts that every row's kind makes a widget its member can hold.
  std::visit(
      [&](auto slot) {
        auto& member = controls.*slot;
        member = static_cast<std::remove_reference_t<decltype(member)>>(widget);
      },
      control.slot);
}

// Applies a window layout's caption, size and colours, and builds its controls.
template <typename Controls>
void BuildWindow(QWidget* window, const WindowLayout<Controls>& layout, Controls& controls) {
  window->setWindowTitle(QString::fromUtf8(layout.caption));
  window->move(layout.left, layout.top);
  if (layout.sizable)
    window->resize(layout.width, layout.height);
  else
    window->setFixedSize(layout.width, layout.height);
  if (layout.hasBackground) {
    QPalette p = window->palette();
    p.setColor(QPalette::Window, QColorOf(layout.background));
    window->setPalette(p);
    window->setAutoFillBackground(true);
  }
  for (const auto& control : layout.controls) BuildControl(control, window, controls);
}

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

namespace {

// The frame is known only once the window is shown: on the first show, makes
// the outer size the layout's and centres the window.
template <typename Controls>
void SizeOnFirstShow(QWidget* window, bool& sized, const WindowLayout<Controls>& layout) {
  if (sized) return;
  sized = true;
  SetOuterSize(window, layout.width, layout.height);
  CentreOnScreen(window);
}

}  // namespace

MainWindow::MainWindow(MainControls& controls) { BuildWindow(this, kMainWindowLayout, controls); }

void MainWindow::closeEvent(QCloseEvent* event) {
  if (onCloseRequest && !onCloseRequest()) {
    event->ignore();
    return;
  }
  event->accept();
  if (!destroyed_) {
    destroyed_ = true;
    if (onDestroyed) onDestroyed();
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onResized) onResized();
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  // Queued, so that it runs once this frame is on screen.
  QTimer::singleShot(0, this, [this] {
    if (onFirstFrame) onFirstFrame();
  });
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  SizeOnFirstShow(this, sized_, kMainWindowLayout);
}

ExportDialog::ExportDialog(QWidget* owner, ExportControls& controls)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                         Qt::CustomizeWindowHint) {
  BuildWindow(this, kExportDialogLayout, controls);
}

void ExportDialog::closeEvent(QCloseEvent* event) {
  // Only the close box is refused; a close from the program (quitting) goes through.
  if (event->spontaneous() && onCloseRequest && !onCloseRequest()) {
    event->ignore();
    return;
  }
  event->accept();
}

void ExportDialog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  SizeOnFirstShow(this, sized_, kExportDialogLayout);
}

}  // namespace tilvane
