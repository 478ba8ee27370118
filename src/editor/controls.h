// The controls the handlers work with, in the terms the handlers use:
// captions, the disabled and visible states, positions in pixels, the icon
// list's imageGroup and selectedIndex, a picture's bytes, a colour. Each front
// end (front/qt, front/win32) implements these over its toolkit's own
// controls; nothing here names a toolkit.
//
// A window owns the controls made in it: they live until the window goes.
// Events are plain functions a handler table fills in; an empty one is not
// called.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/text.h"
#include "editor/accessibility.h"

namespace tilvane {

// Screen or window positions in pixels.
struct Point {
  int x = 0;
  int y = 0;
};

// left and top relative to the parent's client area (a window's on the
// screen); width and height the outer size.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// What every control in a window has.
class Control {
 public:
  virtual ~Control() = default;

  virtual Rect geometry() const = 0;
  virtual void setGeometry(const Rect& geometry) = 0;
  virtual bool disabled() const = 0;
  virtual void setDisabled(bool disabled) = 0;
  virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;

  int left() const { return geometry().left; }
  int top() const { return geometry().top; }
  int width() const { return geometry().width; }
  int height() const { return geometry().height; }
  void setTop(int top);
  void setSize(int width, int height);
};

class Button : public Control {
 public:
  virtual Text caption() const = 0;
  virtual void setCaption(const Text& caption) = 0;

  std::function<void()> onClicked;
};

class Label : public Control {
 public:
  virtual Text caption() const = 0;
};

// Shows an image file's bytes (a BMP), shrunk to fit when larger than the
// box and centred when smaller; bytes that are no picture show nothing.
class PictureBox : public Control {
 public:
  virtual Bytes picture() const = 0;
  virtual void setPicture(Bytes picture) = 0;
};

// The colours a colour picker offers before its entry for any other colour.
inline constexpr Colour kColourSwatches[] = {
    0x00F0F0F0, 0x00FFFFFF, 0x00C0C0C0, 0x00808080, 0x00000000, 0x000000FF, 0x000080FF, 0x0000FFFF,
    0x0000FF00, 0x00008000, 0x00FFFF00, 0x00FF0000, 0x00800000, 0x00FF00FF, 0x00800080, 0x00004080,
};

class ColourPicker : public Control {
 public:
  virtual Colour colour() const = 0;  // 0x00BBGGRR
  virtual void setColour(Colour colour) = 0;

  // The user picked a colour other than the current one.
  std::function<void()> onColourChanged;
};

// A list view in large-icon mode showing the images of the group last given
// to its imageGroup property; item k usually shows image k under the caption
// "k". Items stay in the order they were inserted.
class IconList : public Control {
 public:
  // Keeps a copy of `bytes` and shows their images; bytes that do not decode
  // show no icons at all. Items are left as they are.
  virtual void setImageGroup(const Bytes& bytes) = 0;
  virtual void setImageGroup(Bytes&& bytes) = 0;
  virtual const Bytes& imageGroup() const = 0;
  // Hands the group's bytes back (their storage to be reused) and shows no
  // images until the next setImageGroup.
  virtual Bytes takeImageGroup() = 0;
  // The number of images in imageGroup, 0 when it does not decode.
  virtual int imageCount() const = 0;

  virtual int itemCount() const = 0;
  // Inserts one item at `position` (negative: at the end) and returns its
  // index; an image index below -1 is taken as -1 (no image).
  virtual int insertItem(int position = -1, const Text& caption = {}, int imageIndex = -1) = 0;
  // Removes every item and puts `count` items in their place, item k
  // captioned ToText(k) and showing image k, in one step.
  virtual void setNumberedItems(int count) = 0;
  // Removes every item; imageGroup is not changed.
  virtual void clearItems() = 0;

  // The first selected item, -1 when none; a value below -1 clears it.
  virtual int selectedIndex() const = 0;
  virtual void setSelectedIndex(int index) = 0;

  virtual Colour backgroundColour() const = 0;  // 0x00BBGGRR
  virtual void setBackgroundColour(Colour colour) = 0;

  // Left-button double-click anywhere on the list.
  std::function<void()> onDoubleClick;
  // Right-click (or the keyboard's menu key), at a screen position.
  std::function<void(Point screenPosition)> onRightClick;
  // An item has become the current one, and the selection already says so.
  std::function<void()> onCurrentChanged;
};

// Which image each item of an icon list shows and under which caption, for
// a front end's list to show. Numbered items (item k, caption "k", image k)
// are kept as a count alone, so that ten thousand of them cost no more than
// ten; an insert that breaks the pattern lists the items one by one.
class IconListItems {
 public:
  int Count() const { return listed_ ? static_cast<int>(items_.size()) : numbered_; }
  // Replaces every item by `count` numbered ones.
  void SetNumbered(int count);
  // Where an insert at `position` (negative or past the end: at the end) puts
  // the item.
  int PositionFor(int position) const;
  // Inserts an item at PositionFor(position) and returns that index; an
  // image index below -1 is taken as -1.
  int Insert(int position, const Text& caption, int imageIndex);
  // The item's image and caption; -1 and empty text for no item.
  int ImageOf(int item) const;
  Text CaptionOf(int item) const;

 private:
  struct Item {
    Text caption;
    int image;
  };
  bool listed_ = false;  // whether items_ holds the items
  int numbered_ = 0;     // used while they are numbered
  std::vector<Item> items_;
};

class Timer {
 public:
  virtual ~Timer() = default;
  // Milliseconds between ticks; setting a value above 0 (re)starts the
  // timer, 0 stops it.
  virtual int interval() const = 0;
  virtual void setInterval(int milliseconds) = 0;

  std::function<void()> onTick;
};

class MenuItem {
 public:
  virtual ~MenuItem() = default;
  // The caption as built: the text, then a tab and the shortcut text, if any.
  virtual Text caption() const = 0;
  virtual bool disabled() const = 0;
  virtual void setDisabled(bool disabled) = 0;

  std::function<void()> onSelected;
};

// A menu shown only as a context menu.
class PopupMenu {
 public:
  virtual ~PopupMenu() = default;
  // Appends an item showing `caption`, followed by a tab and `shortcut` when
  // there is one. The shortcut is only shown: no key is bound to it.
  virtual MenuItem* AddItem(const Text& name, const Text& caption, const Text& shortcut) = 0;
  virtual void AddSeparator() = 0;
  // Shows the menu at a screen position and returns at once; a chosen item
  // fires its own event.
  virtual void Popup(Point screenPosition) = 0;
};

// Takes files dropped from other programs on the icon list.
class DropTarget {
 public:
  virtual ~DropTarget() = default;
  // Starts taking drops on the list's window; false when already registered
  // (nothing changes).
  virtual bool Register(IconList& list) = 0;
  virtual bool registered() const = 0;

  // The dropped files: one path as it is, several each followed by "\r\n".
  std::function<void(const Text& paths)> onFilesDropped;
};

// What a control is made with.
struct ControlSpec {
  const char* name;  // the control's name within its window
  Rect geometry;
  const char* text;
  bool disabled = false;
  AccessibleText accessible = {};  // what a screen reader says of it
};

// A top-level window and the controls in it.
class Window {
 public:
  virtual ~Window() = default;

  virtual Text caption() const = 0;
  virtual void setCaption(const Text& caption) = 0;
  // On the screen, the frame included.
  virtual Rect geometry() const = 0;
  virtual bool visible() const = 0;
  // Showing also brings the window to the front.
  virtual void setVisible(bool visible) = 0;
  // Asks the window to close, as its close box does.
  virtual void close() = 0;
  // Runs `action` once from the event loop: after the window's first frame
  // is on screen, or at once when the window is hidden then.
  virtual void AfterFirstFrame(std::function<void()> action) = 0;

  // A button; a column button draws its caption one character per line.
  virtual Button* AddButton(const ControlSpec& spec, bool column) = 0;
  // A label; a vertical one runs its text down, one character per line.
  virtual Label* AddLabel(const ControlSpec& spec, bool vertical) = 0;
  virtual PictureBox* AddPictureBox(const ControlSpec& spec) = 0;
  virtual ColourPicker* AddColourPicker(const ControlSpec& spec) = 0;
  virtual IconList* AddIconList(const ControlSpec& spec) = 0;
  virtual Timer* AddTimer(const char* name) = 0;
  virtual PopupMenu* AddPopupMenu(const char* name) = 0;
  virtual DropTarget* AddDropTarget(const char* name) = 0;

  // Answers a close request: false keeps the window open.
  std::function<bool()> onCloseRequest;
  std::function<void()> onResized;
  // The Escape key, wherever the focus is in the window.
  std::function<void()> onEscape;
  // Runs once, when the window has closed for good.
  std::function<void()> onDestroyed;
};

// How a window looks when made: geometry as at load (centred when first
// shown), its border, its background.
struct WindowStyle {
  const char* caption;
  Rect geometry;
  bool sizable;
  bool hasBackground;  // false: the system's colour
  Colour background;
  AccessibleText accessible = {};  // what a screen reader says of it
};

// The front end's services: making windows.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  // A hidden top-level window; one with an owner stays above it and is a
  // small tool window.
  virtual std::unique_ptr<Window> NewWindow(const WindowStyle& style, Window* owner) = 0;
};

// The effect a drop would have, from whether the data is files, the keys held
// and what the source allows: no key copies, else moves, else links; Ctrl
// only copies, Shift only moves; Ctrl+Shift, or data without files, does
// nothing. Whatever the effect, the drop is reported to its source as not
// performed, so that no source deletes a file it offered for moving.
enum class DropEffect { None, Copy, Move, Link };
struct DropEffects {
  bool copy = false;
  bool move = false;
  bool link = false;
};
DropEffect DropEffectFor(bool acceptable, bool ctrl, bool shift, DropEffects allowed);
// What the cursor shows for `effect`: never "move", which would tell the user
// the file goes away.
DropEffect DropCursorFor(DropEffect effect);

// The dropped-files text: one path as it is, several each followed by "\r\n".
Text DroppedFilesText(const std::vector<Text>& paths);

}  // namespace tilvane
