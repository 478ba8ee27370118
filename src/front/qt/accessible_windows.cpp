#include "front/qt/accessible_windows.h"

#include <QAccessibleWidget>

#include "front/qt/window.h"

namespace tilvane::qt {

namespace {

QAccessibleInterface* WindowFactory(const QString&, QObject* object) {
  auto* window = dynamic_cast<TopLevelWidget*>(object);
  if (!window) return nullptr;
  return new QAccessibleWidget(window, window->isTool() ? QAccessible::Dialog : QAccessible::Window);
}

}  // namespace

void InstallAccessibleWindows() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(WindowFactory);
}

}  // namespace tilvane::qt
