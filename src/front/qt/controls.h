// The controls of editor/controls.h over Qt Widgets. Each object holds the Qt
// object behind it and turns that object's signals into the control's
// events; the window that made it keeps it. One file per control kind.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "editor/controls.h"

class QAction;
class QMenu;
class QTimer;

namespace tilvane::qt {

class ColourCombo;
class DropFilter;
class IconListView;
class TopLevelWidget;

// What every control of this front end is besides its kind: kept by its
// window, with the Qt object behind it.
class QtPart {
 public:
  virtual ~QtPart() = default;
  virtual QObject* object() const = 0;
};

// The Qt object behind a control, window, timer, menu or menu item of this
// front end, as type Q; null when it is not one.
template <typename Q, typename Layer>
Q* QtOf(const Layer* control) {
  auto* part = dynamic_cast<const QtPart*>(control);
  return part ? dynamic_cast<Q*>(part->object()) : nullptr;
}

// Gives a new widget its control's name, place, state and the texts a screen
// reader says of it; returns it.
template <typename W>
W* Placed(W* widget, const ControlSpec& spec) {
  widget->setObjectName(QString::fromUtf8(spec.name));
  widget->setAccessibleName(QString::fromUtf8(spec.accessible.name));
  widget->setAccessibleDescription(QString::fromUtf8(spec.accessible.description));
  widget->setGeometry(spec.geometry.left, spec.geometry.top, spec.geometry.width, spec.geometry.height);
  widget->setEnabled(!spec.disabled);
  return widget;
}

// The common properties of a control over its widget.
template <typename Kind>
class WidgetControl : public Kind, public QtPart {
 public:
  explicit WidgetControl(QWidget* widget) : widget_(widget) {}
  QObject* object() const override { return widget_; }
  QWidget* widget() const { return widget_; }

  Rect geometry() const override {
    QRect g = widget_->geometry();
    return {g.x(), g.y(), g.width(), g.height()};
  }
  void setGeometry(const Rect& r) override { widget_->setGeometry(r.left, r.top, r.width, r.height); }
  bool disabled() const override { return !widget_->isEnabled(); }
  void setDisabled(bool disabled) override { widget_->setEnabled(!disabled); }
  bool visible() const override { return widget_->isVisible(); }
  void setVisible(bool visible) override { widget_->setVisible(visible); }

 private:
  QPointer<QWidget> widget_;
};

class QtButton final : public WidgetControl<Button> {
 public:
  QtButton(QWidget* parent, const ControlSpec& spec, bool column);
  Text caption() const override;
  void setCaption(const Text& caption) override;
};

class QtLabel final : public WidgetControl<Label> {
 public:
  QtLabel(QWidget* parent, const ControlSpec& spec, bool vertical);
  Text caption() const override;
};

class QtPictureBox final : public WidgetControl<PictureBox> {
 public:
  QtPictureBox(QWidget* parent, const ControlSpec& spec);
  Bytes picture() const override { return picture_; }
  void setPicture(Bytes picture) override;

 private:
  Bytes picture_;
};

class QtColourPicker final : public WidgetControl<ColourPicker> {
 public:
  QtColourPicker(QWidget* parent, const ControlSpec& spec);
  Colour colour() const override;
  void setColour(Colour colour) override;

 private:
  ColourCombo* combo_;
};

class QtIconList final : public WidgetControl<IconList> {
 public:
  QtIconList(QWidget* parent, const ControlSpec& spec);
  IconListView& view() const { return *view_; }

  void setImageGroup(const Bytes& bytes) override;
  void setImageGroup(Bytes&& bytes) override;
  const Bytes& imageGroup() const override;
  Bytes takeImageGroup() override;
  int imageCount() const override;
  int itemCount() const override;
  int insertItem(int position, const Text& caption, int imageIndex) override;
  void setNumberedItems(int count) override;
  void clearItems() override;
  int selectedIndex() const override;
  void setSelectedIndex(int index) override;
  Colour backgroundColour() const override;
  void setBackgroundColour(Colour colour) override;

 private:
  IconListView* view_;
};

class QtTimer final : public Timer, public QtPart {
 public:
  QtTimer(QWidget* owner, const char* name);
  QObject* object() const override;
  int interval() const override;
  void setInterval(int milliseconds) override;

 private:
  QTimer* timer_;
};

class QtMenuItem final : public MenuItem, public QtPart {
 public:
  explicit QtMenuItem(QAction* action);
  QObject* object() const override;
  Text caption() const override;
  bool disabled() const override;
  void setDisabled(bool disabled) override;

 private:
  QAction* action_;
};

class QtPopupMenu final : public PopupMenu, public QtPart {
 public:
  QtPopupMenu(QWidget* owner, const char* name);
  QObject* object() const override;
  MenuItem* AddItem(const Text& name, const Text& caption, const Text& shortcut) override;
  void AddSeparator() override;
  void Popup(Point screenPosition) override;

 private:
  QMenu* menu_;
  std::vector<std::unique_ptr<QtMenuItem>> items_;
};

class QtDropTarget final : public DropTarget, public QtPart {
 public:
  QtDropTarget(QWidget* owner, const char* name);
  QObject* object() const override;
  bool Register(IconList& list) override;
  bool registered() const override;

 private:
  DropFilter* filter_;
};

class QtWindow final : public Window, public QtPart {
 public:
  QtWindow(const WindowStyle& style, QtWindow* owner);
  ~QtWindow() override;
  QObject* object() const override;

  Text caption() const override;
  void setCaption(const Text& caption) override;
  Rect geometry() const override;
  bool visible() const override;
  void setVisible(bool visible) override;
  void close() override;
  void AfterFirstFrame(std::function<void()> action) override;

  Button* AddButton(const ControlSpec& spec, bool column) override;
  Label* AddLabel(const ControlSpec& spec, bool vertical) override;
  PictureBox* AddPictureBox(const ControlSpec& spec) override;
  ColourPicker* AddColourPicker(const ControlSpec& spec) override;
  IconList* AddIconList(const ControlSpec& spec) override;
  Timer* AddTimer(const char* name) override;
  PopupMenu* AddPopupMenu(const char* name) override;
  DropTarget* AddDropTarget(const char* name) override;

 private:
  template <typename Part, typename... Args>
  Part* Keep(Args&&... args);

  std::vector<std::unique_ptr<QtPart>> parts_;
  QPointer<TopLevelWidget> widget_;
};

// The application font every control is built with: the captions are Chinese.
inline constexpr const char* kCaptionFontFamily = "WenQuanYi Micro Hei";
inline constexpr int kCaptionFontPointSize = 9;

class QtFrontEnd final : public FrontEnd {
 public:
  // Makes the caption font the application font (a QApplication must exist).
  QtFrontEnd();
  std::unique_ptr<Window> NewWindow(const WindowStyle& style, Window* owner) override;
};

}  // namespace tilvane::qt
