#include <QByteArray>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "front/qt/controls.h"

namespace tilvane::qt {

namespace {

QLabel* NewPictureBox(QWidget* parent, const ControlSpec& spec) {
  auto* box = Placed(new QLabel(parent), spec);
  box->setAlignment(Qt::AlignCenter);
  box->setAutoFillBackground(true);
  QPalette p = box->palette();
  p.setColor(QPalette::Window, QColor(240, 240, 240));
  box->setPalette(p);
  return box;
}

}  // namespace

QtPictureBox::QtPictureBox(QWidget* parent, const ControlSpec& spec) : WidgetControl(NewPictureBox(parent, spec)) {}

// The label's "picture" property holds the bytes as well, for whoever
// inspects the widget.
void QtPictureBox::setPicture(Bytes picture) {
  picture_ = std::move(picture);
  auto* box = static_cast<QLabel*>(widget());
  QByteArray bytes(reinterpret_cast<const char*>(picture_.data()), static_cast<qsizetype>(picture_.size()));
  box->setProperty("picture", bytes);
  QImage image;
  if (!picture_.empty()) image.loadFromData(bytes, "BMP");
  if (image.isNull()) {
    box->clear();
    return;
  }
  // Larger pictures are shrunk to fit the box; smaller ones are centred.
  if (image.width() > box->width() || image.height() > box->height()) {
    image = image.scaled(box->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  box->setPixmap(QPixmap::fromImage(image));
}

}  // namespace tilvane::qt
