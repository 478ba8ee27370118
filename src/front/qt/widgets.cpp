#include "front/qt/widgets.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

#include "editor/accessibility.h"
#include "editor/controls.h"
#include "front/qt/font_preload.h"

namespace tilvane::qt {

namespace {

Colour ColourOf(const QColor& c) { return static_cast<Colour>(c.red() | (c.green() << 8) | (c.blue() << 16)); }

QIcon SwatchIcon(Colour c, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(QColorOf(c));
  QPainter painter(&pixmap);
  painter.setPen(QColor(96, 96, 96));
  painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
  return QIcon(pixmap);
}

QStringList CharactersOf(const QString& text) {
  QStringList characters;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;  // mnemonic marks are not drawn
    if (text[i].isHighSurrogate() && i + 1 < text.size()) {
      characters << text.mid(i, 2);
      ++i;
    } else {
      characters << QString(text[i]);
    }
  }
  return characters;
}

void DrawColumn(QPainter& painter, const QRect& area, const QStringList& lines) {
  QFontMetrics metrics(painter.font());
  int lineHeight = metrics.height();
  int top = area.top() + (area.height() - lineHeight * static_cast<int>(lines.size())) / 2;
  for (const QString& line : lines) {
    painter.drawText(QRect(area.left(), top, area.width(), lineHeight), Qt::AlignHCenter | Qt::AlignVCenter, line);
    top += lineHeight;
  }
}

}  // namespace

QColor QColorOf(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QString QStringOf(const Text& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

Text TextOf(const QString& text) {
  QByteArray bytes = text.toUtf8();
  return Text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

ColumnButton::ColumnButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

QStringList ColumnButton::lines() const { return CharactersOf(text()); }

void ColumnButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  // Buttons whose colours agree are handed one palette, so that a style
  // caching button frames by palette draws the frame once for all of them.
  static QPalette shared;
  if (shared != option.palette) shared = option.palette;
  option.palette = shared;
  painter.drawControl(QStyle::CE_PushButton, option);
  // The captions are the first text of the main window's first frame: a font
  // configuration still loading is waited for here, after the button is drawn.
  FinishFontConfigPreload();
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  DrawColumn(painter, rect(), lines());
}

VerticalLabel::VerticalLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void VerticalLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const QStringList lines = CharactersOf(text());
  // Every character gets an equal share of the height; the font shrinks when
  // its lines would not fit, so the whole text stays readable.
  int lineHeight = lines.isEmpty() ? height() : height() / static_cast<int>(lines.size());
  QFont font = this->font();
  while (QFontMetrics(font).height() > lineHeight + 2 && font.pixelSize() != 6) {
    font.setPixelSize(std::max(6, QFontMetrics(font).height() - 2));
  }
  painter.setFont(font);
  int y = 0;
  for (const QString& line : lines) {
    painter.drawText(QRect(0, y, width(), lineHeight), Qt::AlignCenter | Qt::TextDontClip, line);
    y += lineHeight;
  }
}

const std::vector<Colour>& ColourCombo::Swatches() {
  static const std::vector<Colour> swatches(std::begin(kColourSwatches), std::end(kColourSwatches));
  return swatches;
}

ColourCombo::ColourCombo(QWidget* parent) : QComboBox(parent), colour_(Swatches().front()) {
  chooseCustomColour = [this](Colour start) -> std::optional<Colour> {
    QColor chosen = QColorDialog::getColor(QColorOf(start), this, QStringLiteral("颜色"));
    if (!chosen.isValid()) return std::nullopt;
    return ColourOf(chosen);
  };
  // activated is the user's choice; programmatic changes of the current index do not count.
  connect(this, &QComboBox::activated, this, [this](int index) { Choose(index); });
}

void ColourCombo::buildEntries() {
  if (built_) return;
  built_ = true;
  // The icon size is the popup list's: setting it makes that list, which a
  // screen reader names as the picker.
  setIconSize(QSize(22, 16));
  view()->setAccessibleName(accessibleName());
  // The swatches show no text; a screen reader says their colour's name.
  for (Colour c : Swatches()) {
    addItem(SwatchIcon(c, iconSize()), QString(), QVariant::fromValue(c));
    setItemData(count() - 1, QStringOf(ColourName(c)), Qt::AccessibleTextRole);
  }
  addItem(QStringLiteral("…"));
  setItemData(count() - 1, QString::fromUtf8(kOtherColourName), Qt::ToolTipRole);
  setItemData(count() - 1, QString::fromUtf8(kOtherColourName), Qt::AccessibleTextRole);
  ShowCurrent();
}

int ColourCombo::customEntry() {
  buildEntries();
  return count() - 1;
}

void ColourCombo::showEvent(QShowEvent* event) {
  buildEntries();
  QComboBox::showEvent(event);
}

void ColourCombo::setColour(Colour colour) {
  colour_ = colour & 0x00FFFFFF;
  setAccessibleDescription(QStringOf(ColourPickerDescription(colour_)));
  // Unbuilt entries show the colour once they are made.
  if (built_) ShowCurrent();
}

void ColourCombo::Choose(int index) {
  buildEntries();
  Colour before = colour_;
  if (index == customEntry()) {
    auto chosen = chooseCustomColour ? chooseCustomColour(colour_) : std::nullopt;
    if (chosen) colour_ = *chosen & 0x00FFFFFF;
  } else if (index >= 0) {
    colour_ = itemData(index).value<Colour>();
  }
  ShowCurrent();  // also restores the previous colour after a cancelled dialog
  if (colour_ != before && onColourChanged) onColourChanged();
}

// Selects the swatch of the current colour; a custom colour gets a swatch of
// its own just before the last entry.
void ColourCombo::ShowCurrent() {
  int found = findData(QVariant::fromValue(colour_));
  if (found < 0) {
    int customSwatch = static_cast<int>(Swatches().size());
    if (count() > customSwatch + 1) removeItem(customSwatch);
    insertItem(customSwatch, SwatchIcon(colour_, iconSize()), QString(), QVariant::fromValue(colour_));
    setItemData(customSwatch, QStringOf(ColourName(colour_)), Qt::AccessibleTextRole);
    found = customSwatch;
  }
  setCurrentIndex(found);
  // The closed picker shows no text: its description says the colour.
  setAccessibleDescription(QStringOf(ColourPickerDescription(colour_)));
}

}  // namespace tilvane::qt
