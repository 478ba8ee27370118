// Reading icon number n of an executable, library or icon file, fitted into an
// image cell: the entry point for the editor's intake and for command-line
// tools. Files are recognised by their content, never by their name, and only
// the headers and the one picture needed are read.
#pragma once

#include "core/error_or.h"
#include "core/intake/byte_source.h"
#include "core/intake/icon_pixels.h"
#include "core/text.h"

namespace tilvane {

enum class IconFileKind {
  kUnknown,     // anything else, an NE executable included
  kExecutable,  // a PE32 or PE32+ image ("MZ" ... "PE\0\0"): exe, dll, ocx, mui
  kIconFile,    // an icon directory with reserved 0 and type 1: ico
};

// What RecogniseContent finds (see content_kind.h), narrowed to the files icons
// are read from: an executable only when it is a PE image with resources.
IconFileKind DetectIconFileKind(ByteSource& file);

// The platform's small-icon size, which `smallIcon` asks for.
inline constexpr int kSmallIconSide = 16;

struct IconRequest {
  // In an executable the n-th icon group in resource order; an icon file has
  // only icon 0.
  int iconIndex = 0;
  int cellWidth = 32;
  int cellHeight = 32;
  // Prefer the entry nearest 16 x 16 instead of the one nearest the cell; a file
  // without a small entry thus gives its standard one. Either way the result is
  // fitted into the cell.
  bool smallIcon = false;
};

// The reasons of ReadIconPicture that callers word for themselves, naming the
// icon asked for.
inline constexpr const char* kNoIconsReason = "has no icons";
inline constexpr const char* kNoSuchIconReason = "has no icon of that number";

// The chosen entry of icon `request.iconIndex`, decoded at its own size.
// Fails for an unrecognised file, a missing icon number (kNoIconsReason for an
// executable without any, kNoSuchIconReason past its last), a group none of
// whose pictures exist, or a picture that does not decode.
ErrorOr<IconPixels> ReadIconPicture(ByteSource& file, const IconRequest& request);

// The same picture fitted into the cell (see ScaleIcon). Also fails for a
// cell side below 1 or above kMaxPngSide.
ErrorOr<IconPixels> ReadIconForCell(ByteSource& file, const IconRequest& request);
ErrorOr<IconPixels> ReadFileIcon(const Text& path, const IconRequest& request = {});

// A standalone PNG of any size up to kMaxPngSide, fitted into a width x height
// cell with its alpha kept. Fails for a damaged PNG or a bad cell size.
ErrorOr<IconPixels> DecodePngIcon(ByteSpan png, int width = 32, int height = 32);

}  // namespace tilvane
