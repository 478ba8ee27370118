#include <QAction>
#include <QMenu>

#include "editor/accessibility.h"
#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

QtMenuItem::QtMenuItem(QAction* action) : action_(action) {
  QObject::connect(action_, &QAction::triggered, action_, [this] {
    if (onSelected) onSelected();
  });
}

QObject* QtMenuItem::object() const { return action_; }
Text QtMenuItem::caption() const {
  QString shortcut = action_->shortcut().toString(QKeySequence::NativeText);
  return TextOf(shortcut.isEmpty() ? action_->text() : action_->text() + QLatin1Char('\t') + shortcut);
}
bool QtMenuItem::disabled() const { return !action_->isEnabled(); }
void QtMenuItem::setDisabled(bool disabled) { action_->setEnabled(!disabled); }

QtPopupMenu::QtPopupMenu(QWidget* owner, const char* name) : menu_(new QMenu(QString::fromUtf8(name), owner)) {
  menu_->setObjectName(QString::fromUtf8(name));
  menu_->setAccessibleName(QString::fromUtf8(AccessibleTextOf(kMainWindowAccessibility, name).name));
  menu_->setAccessibleDescription(QString::fromUtf8(AccessibleTextOf(kMainWindowAccessibility, name).description));
}

QObject* QtPopupMenu::object() const { return menu_; }

MenuItem* QtPopupMenu::AddItem(const Text& name, const Text& caption, const Text& shortcut) {
  // The shortcut is the action's own, so that the menu shows it after the
  // caption and a screen reader reads it as a shortcut rather than as part of
  // the name. No key is bound to it: an action's shortcut works only where
  // one of its widgets is, and the menu is in no window but its own popup,
  // which lets no shortcut of its actions through.
  QAction* action = menu_->addAction(QStringOf(caption));
  action->setObjectName(QStringOf(name));
  if (!shortcut.empty()) {
    action->setShortcut(QKeySequence(QStringOf(shortcut)));
    action->setShortcutVisibleInContextMenu(true);
  }
  items_.push_back(std::make_unique<QtMenuItem>(action));
  return items_.back().get();
}

void QtPopupMenu::AddSeparator() { menu_->addSeparator(); }

void QtPopupMenu::Popup(Point screenPosition) { menu_->popup(QPoint(screenPosition.x, screenPosition.y)); }

}  // namespace tilvane::qt
