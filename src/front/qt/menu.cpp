#include <QAction>
#include <QMenu>

#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

QtMenuItem::QtMenuItem(QAction* action) : action_(action) {
  QObject::connect(action_, &QAction::triggered, action_, [this] {
    if (onSelected) onSelected();
  });
}

QObject* QtMenuItem::object() const { return action_; }
Text QtMenuItem::caption() const { return TextOf(action_->text()); }
bool QtMenuItem::disabled() const { return !action_->isEnabled(); }
void QtMenuItem::setDisabled(bool disabled) { action_->setEnabled(!disabled); }

QtPopupMenu::QtPopupMenu(QWidget* owner, const char* name) : menu_(new QMenu(QString::fromUtf8(name), owner)) {
  menu_->setObjectName(QString::fromUtf8(name));
}

QObject* QtPopupMenu::object() const { return menu_; }

MenuItem* QtPopupMenu::AddItem(const Text& name, const Text& caption, const Text& shortcut) {
  // The shortcut text is shown after a tab; no key is bound to it.
  QString text = QStringOf(caption);
  if (!shortcut.empty()) text += QLatin1Char('\t') + QStringOf(shortcut);
  QAction* action = menu_->addAction(text);
  action->setObjectName(QStringOf(name));
  items_.push_back(std::make_unique<QtMenuItem>(action));
  return items_.back().get();
}

void QtPopupMenu::AddSeparator() { menu_->addSeparator(); }

void QtPopupMenu::Popup(Point screenPosition) { menu_->popup(QPoint(screenPosition.x, screenPosition.y)); }

}  // namespace tilvane::qt
