#include "core/intake/icon_scale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tilvane {
namespace {

struct Tap {
  int source;
  float weight;
};

// For each destination index along one axis, the source indexes it draws from
// and their weights (summing to 1).
std::vector<std::vector<Tap>> AxisTaps(int sourceLength, int destinationLength) {
  std::vector<std::vector<Tap>> taps(destinationLength);
  const double scale = static_cast<double>(sourceLength) / destinationLength;
  for (int i = 0; i < destinationLength; ++i) {
    if (destinationLength < sourceLength) {
      // Area average: every source pixel the destination pixel covers, by overlap.
      double start = i * scale;
      double end = (i + 1) * scale;
      for (int j = static_cast<int>(start); j < sourceLength && j < end; ++j) {
        double overlap = std::min(end, j + 1.0) - std::max(start, static_cast<double>(j));
        if (overlap > 0) taps[i].push_back({j, static_cast<float>(overlap / scale)});
      }
    } else {
      // Bilinear: the two source pixels around the destination pixel's centre.
      double centre = (i + 0.5) * scale - 0.5;
      int left = static_cast<int>(std::floor(centre));
      double fraction = centre - left;
      int first = std::clamp(left, 0, sourceLength - 1);
      int second = std::clamp(left + 1, 0, sourceLength - 1);
      taps[i].push_back({first, static_cast<float>(1.0 - fraction)});
      taps[i].push_back({second, static_cast<float>(fraction)});
    }
  }
  return taps;
}

// Blue, green, red premultiplied by opacity, then opacity, all 0..255.
using Premultiplied = std::array<float, 4>;

Premultiplied ToPremultiplied(const IconPixels& icon, std::size_t index) {
  std::uint32_t pixel = icon.pixels[index];
  float opacity = icon.hasAlpha ? static_cast<float>(pixel >> 24) : (icon.mask[index] ? 0.0f : 255.0f);
  float factor = opacity / 255.0f;
  return {(pixel & 0xFF) * factor, ((pixel >> 8) & 0xFF) * factor, ((pixel >> 16) & 0xFF) * factor, opacity};
}

std::uint32_t ToByte(float value) { return static_cast<std::uint32_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

IconPixels ScaleIcon(const IconPixels& icon, int width, int height) {
  if (icon.width == width && icon.height == height) return icon;

  const auto columns = AxisTaps(icon.width, width);
  const auto rows = AxisTaps(icon.height, height);

  // Rows first, so the intermediate picture is only `width` wide whatever the
  // size of the source.
  std::vector<Premultiplied> narrowed(static_cast<std::size_t>(width) * icon.height, Premultiplied{});
  for (int y = 0; y < icon.height; ++y) {
    for (int x = 0; x < width; ++x) {
      Premultiplied& out = narrowed[std::size_t(y) * width + x];
      for (const Tap& tap : columns[x]) {
        Premultiplied in = ToPremultiplied(icon, std::size_t(y) * icon.width + tap.source);
        for (int c = 0; c < 4; ++c) out[c] += in[c] * tap.weight;
      }
    }
  }

  IconPixels scaled;
  scaled.width = width;
  scaled.height = height;
  scaled.hasAlpha = icon.hasAlpha;
  scaled.pixels.resize(static_cast<std::size_t>(width) * height);
  scaled.mask.resize(scaled.pixels.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Premultiplied sum{};
      for (const Tap& tap : rows[y]) {
        const Premultiplied& in = narrowed[std::size_t(tap.source) * width + x];
        for (int c = 0; c < 4; ++c) sum[c] += in[c] * tap.weight;
      }
      std::size_t index = std::size_t(y) * width + x;
      std::uint32_t alpha = ToByte(sum[3]);
      bool transparent = icon.hasAlpha ? alpha <= kAlphaMaskThreshold : sum[3] < 127.5f;
      scaled.mask[index] = transparent ? 1 : 0;
      std::uint32_t alphaByte = icon.hasAlpha ? alpha << 24 : 0;
      if (transparent || sum[3] <= 0.0f) {
        scaled.pixels[index] = alphaByte;
        continue;
      }
      float unpremultiply = 255.0f / sum[3];
      scaled.pixels[index] = alphaByte | ToByte(sum[2] * unpremultiply) << 16 | ToByte(sum[1] * unpremultiply) << 8 |
                             ToByte(sum[0] * unpremultiply);
    }
  }
  return scaled;
}

}  // namespace tilvane
