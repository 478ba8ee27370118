#include <QLabel>

#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

namespace {

QLabel* NewLabel(QWidget* parent, const ControlSpec& spec, bool vertical) {
  QString text = QString::fromUtf8(spec.text);
  QLabel* label = vertical ? new VerticalLabel(text, parent) : new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(spec.name));
  label->setGeometry(spec.geometry.left, spec.geometry.top, spec.geometry.width, spec.geometry.height);
  label->setEnabled(!spec.disabled);
  return label;
}

}  // namespace

QtLabel::QtLabel(QWidget* parent, const ControlSpec& spec, bool vertical)
    : WidgetControl(NewLabel(parent, spec, vertical)) {}

Text QtLabel::caption() const { return TextOf(static_cast<QLabel*>(widget())->text()); }

}  // namespace tilvane::qt
