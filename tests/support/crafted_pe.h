// Executables built to be slow to read: valid PE32 images whose icon resources
// are real but whose directories declare as much as the format allows. Used by
// the intake tests, the intake benchmark and the fuzz seeds.
#pragma once

#include "support/little_endian.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tilvane::testing {

struct CraftedPeShape {
  std::uint32_t groupEntries = 1;      // pictures the first icon group lists (at most 65,535)
  std::uint32_t distinctPictures = 1;  // the listed ids cycle over 1 .. this, each a real picture
  std::uint32_t languageEntries = 1;   // entries each picture's language directory declares and holds
  std::uint32_t groups = 1;            // icon groups, all sharing the first one's data
  std::uint32_t extraSections = 0;     // empty sections in the table before the resource section
  std::uint32_t resourceOffset = 0;    // where the resource section starts in the file (0: after the headers)
  std::uint32_t gap = 0;               // zero bytes between the top of the tree and everything below it
};

namespace crafted_detail {
using little_endian::Put16;
using little_endian::Put32;
using little_endian::Set16;
using little_endian::Set32;
// A directory header declaring `count` entries: named ones first, as far as
// the two 16-bit counts need both.
inline void PutDirectoryHeader(std::vector<std::uint8_t>& out, std::uint32_t count) {
  out.resize(out.size() + 12, 0);
  const std::uint32_t ids = std::min<std::uint32_t>(count, 0xFFFF);
  Put16(out, count - ids);
  Put16(out, ids);
}
// A 32 x 32 picture at 32 bits with alpha: opaque red left, transparent right.
inline std::vector<std::uint8_t> Picture() {
  std::vector<std::uint8_t> dib;
  for (std::uint32_t v : {40u, 32u, 64u}) Put32(dib, v);
  Put16(dib, 1);
  Put16(dib, 32);
  for (int i = 0; i < 6; ++i) Put32(dib, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) Put32(dib, x < 16 ? 0xFFFF0000u : 0);
  for (int y = 0; y < 32; ++y) Put32(dib, 0x0000FFFFu);  // AND mask: right half transparent
  return dib;
}
}  // namespace crafted_detail

inline std::vector<std::uint8_t> MakeCraftedPe(const CraftedPeShape& shape) {
  using namespace crafted_detail;
  const std::uint32_t sections = shape.extraSections + 1;
  const std::uint32_t resourceRva = 0x1000 * sections;
  const std::uint32_t distinct = std::max<std::uint32_t>(shape.distinctPictures, 1);

  // The tree, front to back: root, group names, picture names (the top), the
  // gap, then the group's language directory and data entry, each picture's
  // language directory, the picture's data entry, the picture, the group.
  const std::vector<std::uint8_t> picture = Picture();
  const std::uint32_t rootAt = 0;
  const std::uint32_t groupNamesAt = rootAt + 16 + 2 * 8;
  const std::uint32_t pictureNamesAt = groupNamesAt + 16 + 8 * shape.groups;
  const std::uint32_t groupLanguageAt = pictureNamesAt + 16 + 8 * distinct + shape.gap;
  const std::uint32_t groupDataEntryAt = groupLanguageAt + 16 + 8;
  const std::uint32_t pictureLanguagesAt = groupDataEntryAt + 16;
  const std::uint32_t languageSize = 16 + 8 * shape.languageEntries;
  const std::uint32_t pictureDataEntryAt = pictureLanguagesAt + distinct * languageSize;
  const std::uint32_t pictureAt = pictureDataEntryAt + 16;
  const std::uint32_t groupAt = pictureAt + static_cast<std::uint32_t>(picture.size());
  const std::uint32_t groupSize = 6 + 14 * shape.groupEntries;

  std::vector<std::uint8_t> tree;
  tree.reserve(groupAt + groupSize);
  PutDirectoryHeader(tree, 2);
  for (auto [type, at] : {std::pair{3u, pictureNamesAt}, std::pair{14u, groupNamesAt}}) {
    Put32(tree, type);
    Put32(tree, 0x80000000u | at);
  }
  PutDirectoryHeader(tree, shape.groups);
  for (std::uint32_t g = 0; g < shape.groups; ++g) {
    Put32(tree, g + 1);
    Put32(tree, 0x80000000u | groupLanguageAt);
  }
  PutDirectoryHeader(tree, distinct);
  for (std::uint32_t k = 0; k < distinct; ++k) {
    Put32(tree, k + 1);
    Put32(tree, 0x80000000u | (pictureLanguagesAt + k * languageSize));
  }
  tree.resize(tree.size() + shape.gap, 0);
  PutDirectoryHeader(tree, 1);
  Put32(tree, 0x409);
  Put32(tree, groupDataEntryAt);
  for (std::uint32_t v : {resourceRva + groupAt, groupSize, 0u, 0u}) Put32(tree, v);
  for (std::uint32_t k = 0; k < distinct; ++k) {
    PutDirectoryHeader(tree, shape.languageEntries);
    for (std::uint32_t l = 0; l < shape.languageEntries; ++l) {
      Put32(tree, 0x409);
      Put32(tree, pictureDataEntryAt);
    }
  }
  for (std::uint32_t v : {resourceRva + pictureAt, static_cast<std::uint32_t>(picture.size()), 0u, 0u}) Put32(tree, v);
  tree.insert(tree.end(), picture.begin(), picture.end());
  for (std::uint32_t v : {0u, 1u, shape.groupEntries}) Put16(tree, v);
  for (std::uint32_t e = 0; e < shape.groupEntries; ++e) {
    tree.insert(tree.end(), {32, 32, 0, 0});
    Put16(tree, 1);
    Put16(tree, 32);
    Put32(tree, static_cast<std::uint32_t>(picture.size()));
    Put16(tree, 1 + e % distinct);
  }

  const std::size_t optional = 0x58;
  const std::size_t table = optional + 224;
  const std::size_t headersEnd = table + 40 * std::size_t{sections};
  const std::size_t rawOffset = std::max<std::size_t>(shape.resourceOffset, (headersEnd + 0x1FF) / 0x200 * 0x200);
  std::vector<std::uint8_t> out(rawOffset, 0);
  out[0] = 'M';
  out[1] = 'Z';
  Set32(out, 0x3C, 0x40);
  Set32(out, 0x40, 0x00004550);
  Set16(out, 0x44, 0x014C);
  Set16(out, 0x46, std::min<std::uint32_t>(sections, 0xFFFF));
  Set16(out, 0x54, 224);
  Set16(out, optional, 0x10B);
  Set32(out, optional + 92, 16);
  Set32(out, optional + 96 + 16, resourceRva);
  Set32(out, optional + 96 + 20, static_cast<std::uint32_t>(tree.size()));
  for (std::uint32_t i = 0; i < shape.extraSections; ++i) {
    // Below the resources in memory and with nothing in the file, so a
    // lookup has to pass over each of them.
    const std::size_t at = table + 40 * std::size_t{i};
    Set32(out, at + 8, 0x1000);
    Set32(out, at + 12, 0x1000 * (i + 1));
  }
  const std::size_t resource = table + 40 * std::size_t{shape.extraSections};
  std::copy_n(".rsrc", 5, out.begin() + static_cast<std::ptrdiff_t>(resource));
  Set32(out, resource + 8, static_cast<std::uint32_t>(tree.size()));
  Set32(out, resource + 12, resourceRva);
  Set32(out, resource + 16, static_cast<std::uint32_t>(tree.size()));
  Set32(out, resource + 20, static_cast<std::uint32_t>(rawOffset));
  out.insert(out.end(), tree.begin(), tree.end());
  return out;
}

// The executable of 65,535 group entries, all picture 1, whose one language
// directory declares 131,070 entries: about 2 MB.
inline CraftedPeShape OneIdManyTimes() {
  return {.groupEntries = 65535, .distinctPictures = 1, .languageEntries = 131070};
}

}  // namespace tilvane::testing
