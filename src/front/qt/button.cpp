#include <QPushButton>

#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

namespace {

QPushButton* NewButton(QWidget* parent, const ControlSpec& spec, bool column) {
  QString caption = QString::fromUtf8(spec.text);
  QPushButton* button = Placed(column ? new ColumnButton(caption, parent) : new QPushButton(caption, parent), spec);
  button->setFixedSize(spec.geometry.width, spec.geometry.height);
  return button;
}

}  // namespace

QtButton::QtButton(QWidget* parent, const ControlSpec& spec, bool column)
    : WidgetControl(NewButton(parent, spec, column)) {
  QObject::connect(static_cast<QPushButton*>(widget()), &QPushButton::clicked, widget(), [this] {
    if (onClicked) onClicked();
  });
}

Text QtButton::caption() const { return TextOf(static_cast<QPushButton*>(widget())->text()); }
void QtButton::setCaption(const Text& caption) { static_cast<QPushButton*>(widget())->setText(QStringOf(caption)); }

}  // namespace tilvane::qt
