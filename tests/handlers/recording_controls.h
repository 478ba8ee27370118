// A front end without a toolkit: every control keeps its properties in plain
// members and records what the handlers did to it, so that handler logic is
// tested on its own. It stands in for a toolkit, never for the editor's code:
// the icon list decodes its group with the core's own reader.
#pragma once

#include <string>
#include <vector>

#include "core/imagegroup/codec.h"
#include "editor/controls.h"
#include "editor/prompts.h"

namespace tilvane::testing {

template <typename Kind>
class RecordedControl : public Kind {
 public:
  explicit RecordedControl(const ControlSpec& spec)
      : name(spec.name), accessible(spec.accessible), geometry_(spec.geometry), disabled_(spec.disabled) {}
  Rect geometry() const override { return geometry_; }
  void setGeometry(const Rect& r) override { geometry_ = r; }
  bool disabled() const override { return disabled_; }
  void setDisabled(bool d) override { disabled_ = d; }
  bool visible() const override { return visible_; }
  void setVisible(bool v) override { visible_ = v; }
  std::string name;
  AccessibleText accessible;

 private:
  Rect geometry_;
  bool disabled_;
  bool visible_ = true;
};

class RecordedButton final : public RecordedControl<Button> {
 public:
  RecordedButton(const ControlSpec& spec) : RecordedControl(spec), caption_(spec.text) {}
  Text caption() const override { return caption_; }
  void setCaption(const Text& c) override { caption_ = c; }

 private:
  Text caption_;
};

class RecordedLabel final : public RecordedControl<Label> {
 public:
  RecordedLabel(const ControlSpec& spec) : RecordedControl(spec), caption_(spec.text) {}
  Text caption() const override { return caption_; }

 private:
  Text caption_;
};

class RecordedPictureBox final : public RecordedControl<PictureBox> {
 public:
  using RecordedControl::RecordedControl;
  Bytes picture() const override { return picture_; }
  void setPicture(Bytes p) override { picture_ = std::move(p); }

 private:
  Bytes picture_;
};

class RecordedColourPicker final : public RecordedControl<ColourPicker> {
 public:
  using RecordedControl::RecordedControl;
  Colour colour() const override { return colour_; }
  void setColour(Colour c) override { colour_ = c & 0x00FFFFFF; }

 private:
  Colour colour_ = 0x00F0F0F0;
};

// Items as captions and image indexes; the group's images counted by the core.
class RecordedIconList final : public RecordedControl<IconList> {
 public:
  using RecordedControl::RecordedControl;
  void setImageGroup(const Bytes& bytes) override { group_ = bytes; }
  void setImageGroup(Bytes&& bytes) override { group_ = std::move(bytes); }
  const Bytes& imageGroup() const override { return group_; }
  Bytes takeImageGroup() override { return std::exchange(group_, Bytes()); }
  int imageCount() const override;
  int itemCount() const override { return static_cast<int>(items.size()); }
  int insertItem(int position, const Text& caption, int imageIndex) override;
  void setNumberedItems(int count) override;
  void clearItems() override;
  int selectedIndex() const override { return selected_; }
  void setSelectedIndex(int index) override { selected_ = (index < 0 || index >= itemCount()) ? -1 : index; }
  Colour backgroundColour() const override { return background_; }
  void setBackgroundColour(Colour c) override { background_ = c; }

  struct Item {
    Text caption;
    int image;
  };
  std::vector<Item> items;

 private:
  Bytes group_;
  int selected_ = -1;
  Colour background_ = 0;
};

class RecordedTimer final : public Timer {
 public:
  int interval() const override { return interval_; }
  void setInterval(int ms) override { interval_ = ms > 0 ? ms : 0; }

 private:
  int interval_ = 0;
};

class RecordedMenuItem final : public MenuItem {
 public:
  explicit RecordedMenuItem(Text caption) : caption_(std::move(caption)) {}
  Text caption() const override { return caption_; }
  bool disabled() const override { return disabled_; }
  void setDisabled(bool d) override { disabled_ = d; }

 private:
  Text caption_;
  bool disabled_ = false;
};

class RecordedPopupMenu final : public PopupMenu {
 public:
  MenuItem* AddItem(const Text& name, const Text& caption, const Text& shortcut) override;
  void AddSeparator() override { separators++; }
  void Popup(Point at) override { shownAt.push_back(at); }

  std::vector<std::unique_ptr<RecordedMenuItem>> items;
  std::vector<Text> names;
  int separators = 0;
  std::vector<Point> shownAt;
};

class RecordedDropTarget final : public DropTarget {
 public:
  bool Register(IconList& list) override;
  bool registered() const override { return list_ != nullptr; }

 private:
  IconList* list_ = nullptr;
};

class RecordedWindow final : public Window {
 public:
  explicit RecordedWindow(const WindowStyle& style)
      : accessible(style.accessible), caption_(style.caption), geometry_(style.geometry) {}
  Text caption() const override { return caption_; }
  void setCaption(const Text& c) override { caption_ = c; }
  Rect geometry() const override { return geometry_; }
  bool visible() const override { return visible_; }
  void setVisible(bool v) override { visible_ = v; }
  void close() override;
  void AfterFirstFrame(std::function<void()> action) override { afterFirstFrame.push_back(std::move(action)); }

  Button* AddButton(const ControlSpec& spec, bool) override { return Keep<RecordedButton>(spec); }
  Label* AddLabel(const ControlSpec& spec, bool) override { return Keep<RecordedLabel>(spec); }
  PictureBox* AddPictureBox(const ControlSpec& spec) override { return Keep<RecordedPictureBox>(spec); }
  ColourPicker* AddColourPicker(const ControlSpec& spec) override { return Keep<RecordedColourPicker>(spec); }
  IconList* AddIconList(const ControlSpec& spec) override { return Keep<RecordedIconList>(spec); }
  Timer* AddTimer(const char*) override { return KeepOther<RecordedTimer>(timers); }
  PopupMenu* AddPopupMenu(const char*) override { return KeepOther<RecordedPopupMenu>(menus); }
  DropTarget* AddDropTarget(const char*) override { return KeepOther<RecordedDropTarget>(dropTargets); }

  // The window as a person resizes it: the new outer size, then the event.
  void Resize(int width, int height);

  AccessibleText accessible;
  std::vector<std::unique_ptr<Control>> controls;
  std::vector<std::unique_ptr<RecordedTimer>> timers;
  std::vector<std::unique_ptr<RecordedPopupMenu>> menus;
  std::vector<std::unique_ptr<RecordedDropTarget>> dropTargets;
  std::vector<std::function<void()>> afterFirstFrame;
  bool closed = false;

 private:
  template <typename T>
  T* Keep(const ControlSpec& spec) {
    controls.push_back(std::make_unique<T>(spec));
    return static_cast<T*>(controls.back().get());
  }
  template <typename T, typename List>
  T* KeepOther(List& list) {
    list.push_back(std::make_unique<T>());
    return list.back().get();
  }

  Text caption_;
  Rect geometry_;
  bool visible_ = false;
};

class RecordingFrontEnd final : public FrontEnd {
 public:
  std::unique_ptr<Window> NewWindow(const WindowStyle& style, Window* owner) override;
  std::vector<RecordedWindow*> windows;
  std::vector<Window*> owners;
};

// Prompts answered in order from a script; every box and dialog is recorded.
class RecordingPrompts final : public Prompts {
 public:
  BoxAnswer MessageBox(const Text& text, BoxButtons buttons, BoxIcon icon, const Text& caption) override;
  std::optional<Text> FileDialog(const CommonDialog& dialog, const Text& startFolder) override;

  std::vector<BoxAnswer> answers;           // taken in order; Ok when none is left
  std::vector<std::optional<Text>> chosen;  // taken in order; cancelled when none is left
  std::vector<Text> boxes;                  // the texts shown
  std::vector<CommonDialog> dialogs;        // the dialogs run
};

}  // namespace tilvane::testing
