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

void RemoveImages(ImageList& list, const std::set<std::size_t>& indexes) {
  std::vector<int> newIndex(list.images.size(), -1);
  std::vector<Image> kept;
  kept.reserve(list.images.size());
  for (std::size_t i = 0; i < list.images.size(); ++i) {
    if (indexes.count(i) != 0) continue;
    newIndex[i] = static_cast<int>(kept.size());
    kept.push_back(std::move(list.images[i]));
  }
  list.images = std::move(kept);
  RemapOverlays(list, newIndex);
}

void MoveImage(ImageList& list, std::size_t from, std::size_t to) {
  std::vector<int> order(list.images.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  order.erase(order.begin() + static_cast<std::ptrdiff_t>(from));
  order.insert(order.begin() + static_cast<std::ptrdiff_t>(to), static_cast<int>(from));

  std::vector<Image> moved;
  moved.reserve(order.size());
  std::vector<int> newIndex(order.size(), -1);
  for (std::size_t k = 0; k < order.size(); ++k) {
    newIndex[static_cast<std::size_t>(order[k])] = static_cast<int>(k);
    moved.push_back(std::move(list.images[static_cast<std::size_t>(order[k])]));
  }
  list.images = std::move(moved);
  RemapOverlays(list, newIndex);
}

Text PrepareForIcons(ImageList& list) {
  Text changes;
  if (list.bitsPerPixel != 32 || (list.flags & kDepthCodeBits) != 0x20) {
    if (list.bitsPerPixel != 32) changes = std::to_string(list.bitsPerPixel) + "-bit colours converted to 32 bits";
    ConvertToDepth32(list);
  }
  if (!list.HasMask()) {
    list.flags |= kFlagMask;
    for (Image& image : list.images) image.mask.assign(list.PixelsPerImage(), 0);
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
