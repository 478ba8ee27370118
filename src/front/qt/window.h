// The top-level windows over Qt: the widget that turns Qt's window events
// into the window's events, and the helpers for outer sizes.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "editor/controls.h"

namespace tilvane::qt {

// A top-level window made from a WindowStyle. Without an owner it is a main
// window; with one a tool window above it whose close box only asks.
class TopLevelWidget : public QWidget {
 public:
  TopLevelWidget(const WindowStyle& style, QWidget* owner);

  // Answers a close request: false keeps the window open. A tool window asks
  // only for its close box; a close from the program goes through.
  std::function<bool()> onCloseRequest;
  std::function<void()> onResized;
  std::function<void()> onEscape;
  // Runs once, when the window has closed for good.
  std::function<void()> onDestroyed;
  // Run once each, in order, from the event loop after the window's first
  // frame is drawn.
  std::vector<std::function<void()>> onFirstFrame;
  bool firstFrameDrawn() const { return painted_; }
  // Whether it has an owner: a dialog rather than a main window.
  bool isTool() const { return tool_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  Rect layoutGeometry_;
  bool tool_;
  bool destroyed_ = false;
  bool painted_ = false;
  bool sized_ = false;
};

// Outer sizes (frame included), as the layouts and the resize arithmetic use them.
QSize OuterSize(const QWidget* window);
void SetOuterSize(QWidget* window, int width, int height);
void CentreOnScreen(QWidget* window);

}  // namespace tilvane::qt
