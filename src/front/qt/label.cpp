#include <QLabel>

#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

namespace {

QLabel* NewLabel(QWidget* parent, const ControlSpec& spec, bool vertical) {
  QString text = QString::fromUtf8(spec.text);
  return Placed(vertical ? new VerticalLabel(text, parent) : new QLabel(text, parent), spec);
}

}  // namespace

QtLabel::QtLabel(QWidget* parent, const ControlSpec& spec, bool vertical)
    : WidgetControl(NewLabel(parent, spec, vertical)) {}

Text QtLabel::caption() const { return TextOf(static_cast<QLabel*>(widget())->text()); }

}  // namespace tilvane::qt
