#include "handlers/recording_controls.h"

#include <algorithm>

namespace tilvane::testing {

int RecordedIconList::imageCount() const {
  auto reader = ImageGroupReader::Open(group_);
  return reader ? static_cast<int>(reader->size()) : 0;
}

int RecordedIconList::insertItem(int position, const Text& caption, int imageIndex) {
  int row = (position < 0 || position > itemCount()) ? itemCount() : position;
  items.insert(items.begin() + row, Item{caption, std::max(imageIndex, -1)});
  return row;
}

void RecordedIconList::setNumberedItems(int count) {
  items.clear();
  selected_ = -1;
  for (int k = 0; k < count; ++k) items.push_back({ToText(k), k});
}

void RecordedIconList::clearItems() {
  items.clear();
  selected_ = -1;
}

MenuItem* RecordedPopupMenu::AddItem(const Text& name, const Text& caption, const Text& shortcut) {
  items.push_back(std::make_unique<RecordedMenuItem>(shortcut.empty() ? caption : caption + "\t" + shortcut));
  names.push_back(name);
  return items.back().get();
}

bool RecordedDropTarget::Register(IconList& list) {
  if (list_) return false;
  list_ = &list;
  return true;
}

void RecordedWindow::close() {
  if (onCloseRequest && !onCloseRequest()) return;
  visible_ = false;
  closed = true;
  if (onDestroyed) onDestroyed();
}

void RecordedWindow::Resize(int width, int height) {
  geometry_.width = width;
  geometry_.height = height;
  if (onResized) onResized();
}

std::unique_ptr<Window> RecordingFrontEnd::NewWindow(const WindowStyle& style, Window* owner) {
  auto window = std::make_unique<RecordedWindow>(style);
  windows.push_back(window.get());
  owners.push_back(owner);
  return window;
}

BoxAnswer RecordingPrompts::MessageBox(const Text& text, BoxButtons, BoxIcon, const Text&) {
  boxes.push_back(text);
  if (answers.empty()) return BoxAnswer::Ok;
  BoxAnswer answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

std::optional<Text> RecordingPrompts::FileDialog(const CommonDialog& dialog, const Text&) {
  dialogs.push_back(dialog);
  if (chosen.empty()) return std::nullopt;
  std::optional<Text> path = chosen.front();
  chosen.erase(chosen.begin());
  return path;
}

}  // namespace tilvane::testing
