// The picture a file manager shows for a group: its first images, as many as
// fit, in a grid, each over a checkerboard where it is transparent.
#pragma once

#include <optional>

#include "core/imagegroup/codec.h"
#include "core/intake/icon_pixels.h"

namespace tilvane::qiltool {

inline constexpr int kThumbnailDefaultSize = 128;
inline constexpr int kThumbnailMaxSize = 4096;

struct ThumbnailGrid {
  int columns = 1;
  int rows = 1;
  int cellWidth = 1;  // the size one image is drawn at
  int cellHeight = 1;
  std::size_t shown = 0;  // how many images are drawn
};

// Where the images of `list` go in a thumbnail of at most `size` pixels a
// side (size >= 1): a grid as wide as `size` allows, its cells a whole
// multiple of the image size so that icons stay sharp, at the largest
// multiple that still shows every image, else at 1 with as many as fit.
// Only an image larger than `size` is shrunk. A group without images gets
// one empty cell.
ThumbnailGrid PlanThumbnail(const ImageList& list, int size);

// The thumbnail as pixels (opaque where images are; slots of the last row
// left empty are transparent). Nothing for a grid that does not fit `list`.
std::optional<IconPixels> DrawThumbnail(const ImageList& list, const ThumbnailGrid& grid);

}  // namespace tilvane::qiltool
