// The small widgets the layouts need beyond Qt's own: a button whose caption
// runs one character per line, a label whose text runs downwards, and the
// colour picker of the export dialog.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <optional>

#include "core/text.h"

namespace tilvane::qt {

// A narrow, tall button: its caption is drawn one character per line.
class ColumnButton : public QPushButton {
 public:
  explicit ColumnButton(const QString& caption, QWidget* parent = nullptr);
  // The characters as they are laid out, top to bottom.
  QStringList lines() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A label whose characters run down, one per line.
class VerticalLabel : public QLabel {
 public:
  explicit VerticalLabel(const QString& text, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A combo box of colour swatches; its last entry opens a colour dialog
// without alpha. It has no entry for a transparent colour.
//
// Drawing the swatches and making the popup list are left until the picker is
// first shown or one of the members below first needs its entries, so that a
// picker in a window hidden at start costs its window next to nothing. Until
// then QComboBox's own item functions see no entries.
class ColourCombo : public QComboBox {
 public:
  explicit ColourCombo(QWidget* parent = nullptr);

  Colour colour() const { return colour_; }  // 0x00BBGGRR
  void setColour(Colour colour);
  // Makes the entries now if they are not made yet.
  void buildEntries();

  // Called when the user picks a colour different from the current one.
  std::function<void()> onColourChanged;
  // Asks the user for a custom colour starting at the given one; nothing when
  // cancelled. A QColorDialog unless replaced (tests script it).
  std::function<std::optional<Colour>(Colour)> chooseCustomColour;

  static const std::vector<Colour>& Swatches();
  int customEntry();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Choose(int index);
  void ShowCurrent();

  Colour colour_;
  bool built_ = false;
};

QString QStringOf(const Text& text);
Text TextOf(const QString& text);
// A colour 0x00BBGGRR as Qt takes it.
QColor QColorOf(Colour colour);

}  // namespace tilvane::qt
