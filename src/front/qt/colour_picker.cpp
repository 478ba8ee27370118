#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

QtColourPicker::QtColourPicker(QWidget* parent, const ControlSpec& spec)
    : WidgetControl(Placed(new ColourCombo(parent), spec)), combo_(static_cast<ColourCombo*>(widget())) {
  combo_->setColour(combo_->colour());  // its description names the colour
  combo_->onColourChanged = [this] {
    if (onColourChanged) onColourChanged();
  };
}

Colour QtColourPicker::colour() const { return combo_->colour(); }
void QtColourPicker::setColour(Colour colour) { combo_->setColour(colour); }

}  // namespace tilvane::qt
