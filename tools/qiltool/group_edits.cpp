#include "group_edits.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace tilvane::qiltool {

namespace {

// Rewrites every overlay through `newIndex` (old image index -> new index or
// -1). Overlays that name no image at all are left as they were.
void RemapOverlays(ImageList& list, const std::vector<int>& newIndex) {
  for (std::int16_t& overlay : list.overlays) {
    if (overlay >= 0 && static_cast<std::size_t>(overlay) < newIndex.size()) {
      overlay = static_cast<std::int16_t>(newIndex[static_cast<std::size_t>(overlay)]);
    }
  }
}

bool HexDigit(char c, unsigned& value) {
  if (c >= '0' && c <= '9') value = static_cast<unsigned>(c - '0');
  else if (c >= 'a' && c <= 'f') value = static_cast<unsigned>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F') value = static_cast<unsigned>(c - 'A' + 10);
  else return false;
  return true;
}

}  // namespace

// Rebuilds the list's images in the order `order` gives (old indexes, each
// at most once; those left out are dropped) and its overlays with them.
void Reorder(ImageList& list, const std::vector<std::size_t>& order) {
  ImageList reordered = list;
  reordered.ClearImages();
  std::vector<int> newIndex(list.ImageCount(), -1);
  for (std::size_t k = 0; k < order.size(); ++k) {
    newIndex[order[k]] = static_cast<int>(k);
    reordered.PushImage(list.ImageAt(order[k]));
  }
  list.pixels = std::move(reordered.pixels);
  list.mask = std::move(reordered.mask);
  RemapOverlays(list, newIndex);
}

void RemoveImages(ImageList& list, const std::set<std::size_t>& indexes) {
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < list.ImageCount(); ++i)
    if (indexes.count(i) == 0) kept.push_back(i);
  Reorder(list, kept);
}

void MoveImage(ImageList& list, std::size_t from, std::size_t to) {
  std::vector<std::size_t> order(list.ImageCount());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  order.erase(order.begin() + static_cast<std::ptrdiff_t>(from));
  order.insert(order.begin() + static_cast<std::ptrdiff_t>(to), from);
  Reorder(list, order);
}

Text PrepareForIcons(ImageList& list) {
  const IconReadiness done = ReadyForIcons(list);
  Text changes;
  if (done.oldBits != 32) changes = std::to_string(done.oldBits) + "-bit colours converted to 32 bits";
  if (done.maskAdded) {
    if (!changes.empty()) changes += ", ";
    changes += "mask added (existing images opaque)";
  }
  return changes;
}

std::optional<std::size_t> ParseIndex(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::size_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Colour> ParseFillColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  unsigned channel[3] = {};
  for (std::size_t c = 0; c < 3; ++c) {
    unsigned high = 0;
    unsigned low = 0;
    if (!HexDigit(text[2 * c], high) || !HexDigit(text[2 * c + 1], low)) return std::nullopt;
    channel[c] = high * 16 + low;
  }
  return MakeColor(static_cast<int>(channel[0]), static_cast<int>(channel[1]), static_cast<int>(channel[2]));
}

Text ColourText(Colour colour) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return buffer;
}

}  // namespace tilvane::qiltool
