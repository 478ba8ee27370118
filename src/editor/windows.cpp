#include "editor/windows.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "editor/icon_list.h"
#include "editor/widgets.h"

namespace tilvane {

namespace {

QWidget* BuildControl(const ControlLayout& control, QWidget* parent) {
  QString text = QString::fromUtf8(control.text);
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::ColumnButton: widget = new ColumnButton(text, parent); break;
    case ControlKind::Button: widget = new QPushButton(text, parent); break;
    case ControlKind::Label: widget = new QLabel(text, parent); break;
    case ControlKind::VerticalLabel: widget = new VerticalLabel(text, parent); break;
    case ControlKind::IconList: widget = new IconList(parent); break;
    case ControlKind::PictureBox: {
      auto* box = new QLabel(parent);
      box->setAlignment(Qt::AlignCenter);
      box->setAutoFillBackground(true);
      QPalette p = box->palette();
      p.setColor(QPalette::Window, QColor(240, 240, 240));
      box->setPalette(p);
      widget = box;
      break;
    }
    case ControlKind::ColourPicker: widget = new ColourPicker(parent); break;
  }
  widget->setObjectName(QString::fromUtf8(control.name));
  widget->setGeometry(control.left, control.top, control.width, control.height);
  widget->setEnabled(control.enabled);
  if (control.kind == ControlKind::ColumnButton || control.kind == ControlKind::Button) {
    widget->setFixedSize(control.width, control.height);
  }
  return widget;
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

void BuildWindow(QWidget* window, const WindowLayout& layout) {
  window->setWindowTitle(QString::fromUtf8(layout.caption));
  window->move(layout.left, layout.top);
  if (layout.sizable)
    window->resize(layout.width, layout.height);
  else
    window->setFixedSize(layout.width, layout.height);
  if (layout.hasBackground) {
    QPalette p = window->palette();
    Colour c = layout.background;
    p.setColor(QPalette::Window, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    window->setPalette(p);
    window->setAutoFillBackground(true);
  }
  for (const auto& control : layout.controls) BuildControl(control, window);
}

MainWindow::MainWindow() { BuildWindow(this, kMainWindowLayout); }

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
  // The frame is known only once the window is shown: make the outer size the layout's.
  if (!sized_) {
    sized_ = true;
    SetOuterSize(this, kMainWindowLayout.width, kMainWindowLayout.height);
    CentreOnScreen(this);
  }
}

ExportDialog::ExportDialog(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                         Qt::CustomizeWindowHint) {
  BuildWindow(this, kExportDialogLayout);
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
  if (!sized_) {
    sized_ = true;
    SetOuterSize(this, kExportDialogLayout.width, kExportDialogLayout.height);
    CentreOnScreen(this);
  }
}

}  // namespace tilvane
