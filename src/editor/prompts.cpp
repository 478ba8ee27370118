#include "editor/prompts.h"

namespace tilvane {

BoxAnswer ShowMessageBox(Prompts& prompts, const Text& text, BoxButtons buttons, BoxIcon icon,
                         std::optional<Text> caption) {
  return prompts.MessageBox(text, buttons, icon, caption.value_or(kDefaultMessageCaption));
}

std::vector<FilterEntry> ParseDialogFilter(const Text& filter) {
  std::vector<FilterEntry> entries;
  if (filter.empty()) return entries;
  Text text = filter;
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "||") != 0) text += "||";
  std::vector<Text> elements;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '|') {
      elements.push_back(text.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  // Pairs end at the first empty description (the terminating "||").
  for (std::size_t i = 0; i + 1 < elements.size(); i += 2) {
    if (elements[i].empty()) break;
    entries.push_back({elements[i], elements[i + 1]});
  }
  return entries;
}

}  // namespace tilvane
