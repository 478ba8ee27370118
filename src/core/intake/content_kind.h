// Telling what a file holds from its first bytes, never from its name: the
// one place where intake and qiltool recognise executables, icon files, PNG
// pictures, shell links and image groups.
#pragma once

#include <cstddef>

#include "core/error_or.h"
#include "core/intake/byte_source.h"
#include "core/text.h"

namespace tilvane {

enum class ContentKind {
  kUnknown,
  kExecutable,  // "MZ": an executable or library of any kind, PE or not
  kIconFile,    // an icon directory with reserved 0, type 1 and at least one entry
  kPng,         // the PNG signature
  kShellLink,   // a shell link's header size and class id
  kImageGroup,  // an image group's container ("MITL")
};

// How many first bytes RecogniseContent looks at; a shorter file is looked
// at whole.
inline constexpr std::size_t kContentSignatureBytes = 20;

ContentKind RecogniseContent(ByteSpan start);

// The kind of `file` from its first bytes; fails only when they cannot be read.
ErrorOr<ContentKind> RecogniseContent(ByteSource& file);

}  // namespace tilvane
