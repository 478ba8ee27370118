// Fitting an icon picture into an image cell of another size.
#pragma once

#include "core/intake/icon_pixels.h"

namespace tilvane {

// `icon` stretched to exactly width x height (both >= 1): an area average along
// an axis that shrinks, a bilinear filter along one that grows, an unchanged
// copy when the size already matches. Colours are mixed weighted by opacity, so
// transparent pixels do not darken the edges. The mask follows the alpha rule
// for an icon with alpha, and coverage of at least one half for one without.
IconPixels ScaleIcon(const IconPixels& icon, int width, int height);

}  // namespace tilvane
