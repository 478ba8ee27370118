// The two top-level windows. Their behaviour lives in plain handler functions;
// these classes only turn Qt's window events into calls of those handlers.
#pragma once

#include <QWidget>
#include <functional>

#include "editor/layout.h"

namespace tilvane {

class MainWindow : public QWidget {
 public:
  // Builds the window and its controls from kMainWindowLayout, each into its member of `controls`.
  explicit MainWindow(MainControls& controls);
  // Answers a close request: false keeps the window open.
  std::function<bool()> onCloseRequest;
  std::function<void()> onResized;
  // Runs once, when the window has closed for good.
  std::function<void()> onDestroyed;
  // Runs once, from the event loop, after the window's first frame is drawn.
  std::function<void()> onFirstFrame;
  bool firstFrameDrawn() const { return painted_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool destroyed_ = false;
  bool painted_ = false;
  bool sized_ = false;
};

class ExportDialog : public QWidget {
 public:
  // Builds the dialog and its controls from kExportDialogLayout, each into its member of `controls`.
  ExportDialog(QWidget* owner, ExportControls& controls);
  // Answers a close request from the close box: false keeps the window.
  std::function<bool()> onCloseRequest;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool sized_ = false;
};

// Outer sizes (frame included), as the layouts and the resize arithmetic use them.
QSize OuterSize(const QWidget* window);
void SetOuterSize(QWidget* window, int width, int height);
void CentreOnScreen(QWidget* window);

}  // namespace tilvane
