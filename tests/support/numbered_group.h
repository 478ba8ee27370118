// A group of `count` 32 x 32 images in the default group's format, image k
// filled with the colour 0x102030 + k, without transparent pixels.
#pragma once

#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"

namespace tilvane::testing {

inline Bytes NumberedGroup(int count) {
  ImageList list = *DecodeImageGroup(DefaultImageGroup());
  list.ClearImages();
  for (int k = 0; k < count; ++k) {
    Image image;
    image.pixels.assign(list.PixelsPerImage(), 0x00102030u + static_cast<std::uint32_t>(k));
    image.mask.assign(list.PixelsPerImage(), 0);
    AppendImage(list, std::move(image));
  }
  return *EncodeImageGroup(list);
}

}  // namespace tilvane::testing
