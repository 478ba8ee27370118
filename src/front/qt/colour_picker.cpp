#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

namespace {

ColourCombo* NewCombo(QWidget* parent, const ControlSpec& spec) {
  auto* combo = new ColourCombo(parent);
  combo->setObjectName(QString::fromUtf8(spec.name));
  combo->setGeometry(spec.geometry.left, spec.geometry.top, spec.geometry.width, spec.geometry.height);
  combo->setEnabled(!spec.disabled);
  return combo;
}

}  // namespace

QtColourPicker::QtColourPicker(QWidget* parent, const ControlSpec& spec)
    : WidgetControl(NewCombo(parent, spec)), combo_(static_cast<ColourCombo*>(widget())) {
  combo_->onColourChanged = [this] {
    if (onColourChanged) onColourChanged();
  };
}

Colour QtColourPicker::colour() const { return combo_->colour(); }
void QtColourPicker::setColour(Colour colour) { combo_->setColour(colour); }

}  // namespace tilvane::qt
