#include "thumbnail.h"

#include <algorithm>

#include "core/intake/icon_conversion.h"

namespace tilvane::qiltool {

namespace {

constexpr std::uint32_t kCheckerLight = 0xFFFFFF;
constexpr std::uint32_t kCheckerDark = 0xCCCCCC;

std::uint32_t Checker(int x, int y, int square) {
  return ((x / square + y / square) % 2 == 0) ? kCheckerLight : kCheckerDark;
}

std::uint32_t Blend(std::uint32_t over, std::uint32_t under, std::uint32_t alpha) {
  std::uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    std::uint32_t a = (over >> shift) & 0xFF;
    std::uint32_t b = (under >> shift) & 0xFF;
    out |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

ThumbnailGrid PlanThumbnail(const ImageList& list, int size) {
  ThumbnailGrid grid;
  const int tileWidth = std::max<int>(1, list.tileWidth);
  const int tileHeight = std::max<int>(1, list.tileHeight);
  const int side = std::max(tileWidth, tileHeight);
  const std::size_t count = std::max<std::size_t>(list.ImageCount(), 1);
  if (side > size) {
    // One image larger than the thumbnail: shrink it to fit.
    grid.cellWidth = std::max(1, tileWidth * size / side);
    grid.cellHeight = std::max(1, tileHeight * size / side);
    grid.shown = std::min<std::size_t>(list.ImageCount(), 1);
    return grid;
  }
  // The largest whole scale at which a square grid as wide as the thumbnail
  // holds every image; at scale 1 the grid holds what fits.
  int scale = size / side;
  int columns = 1;
  for (; scale >= 1; --scale) {
    columns = size / (side * scale);
    if (static_cast<std::size_t>(columns) * columns >= count || scale == 1) break;
  }
  grid.columns = columns;
  grid.rows = static_cast<int>(std::min<std::size_t>((count + columns - 1) / columns, columns));
  grid.cellWidth = tileWidth * scale;
  grid.cellHeight = tileHeight * scale;
  grid.shown = std::min(list.ImageCount(), static_cast<std::size_t>(grid.columns) * grid.rows);
  return grid;
}

std::optional<IconPixels> DrawThumbnail(const ImageList& list, const ThumbnailGrid& grid) {
  if (grid.columns < 1 || grid.rows < 1 || grid.cellWidth < 1 || grid.cellHeight < 1) return std::nullopt;
  if (grid.shown > list.ImageCount()) return std::nullopt;
  IconPixels out;
  out.width = grid.columns * grid.cellWidth;
  out.height = grid.rows * grid.cellHeight;
  const std::size_t count = static_cast<std::size_t>(out.width) * out.height;
  out.pixels.assign(count, 0);
  out.mask.assign(count, 1);
  const int square = std::max(2, std::min(grid.cellWidth, grid.cellHeight) / 8);
  // A group without images still gets its one cell: an empty checkerboard.
  const std::size_t cells = std::max<std::size_t>(grid.shown, (list.ImageCount() == 0) ? 1 : 0);
  for (std::size_t k = 0; k < cells; ++k) {
    std::optional<IconPixels> image;
    if (k < grid.shown) {
      image = FromGroupImage(list, k);
      if (!image) return std::nullopt;
    }
    const int left = static_cast<int>(k % grid.columns) * grid.cellWidth;
    const int top = static_cast<int>(k / grid.columns) * grid.cellHeight;
    for (int y = 0; y < grid.cellHeight; ++y) {
      for (int x = 0; x < grid.cellWidth; ++x) {
        std::uint32_t colour = Checker(x, y, square);
        if (image) {
          std::size_t source = static_cast<std::size_t>(y * image->height / grid.cellHeight) * image->width +
                               static_cast<std::size_t>(x * image->width / grid.cellWidth);
          std::uint32_t pixel = image->pixels[source];
          if (!image->mask[source]) {
            colour = image->hasAlpha ? Blend(pixel, colour, pixel >> 24) : (pixel & 0xFFFFFF);
          }
        }
        std::size_t at = static_cast<std::size_t>(top + y) * out.width + left + x;
        out.pixels[at] = colour;
        out.mask[at] = 0;
      }
    }
  }
  return out;
}

}  // namespace tilvane::qiltool
