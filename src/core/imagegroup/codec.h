// The image-group file (.qil): an 8-byte container header ("MITL" and a colour
// word), a 28-byte image-list stream header, a colour BMP holding every image
// as tiles four to a row, and (when flags has bit 0x0001) a 1-bit mask BMP.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "core/error_or.h"
#include "core/text.h"

namespace tilvane {

// One image on its own, tileWidth x tileHeight pixels, top row first: how a
// single image is handed into a group or taken out of one.
struct Image {
  // One value per pixel, exactly as stored at the group's depth, read
  // little-endian: a palette index at 1, 4 and 8 bits; the raw 5-5-5 word at
  // 16 bits; 0x00RRGGBB at 24 bits; 0xAARRGGBB at 32 bits (the fourth byte kept).
  std::vector<std::uint32_t> pixels;
  // One entry per pixel, 1 = transparent, 0 = opaque; empty when the group has
  // no mask.
  std::vector<std::uint8_t> mask;

  bool operator==(const Image&) const = default;
};

inline constexpr std::uint16_t kImageListVersion = 0x0101;
inline constexpr std::uint16_t kFlagMask = 0x0001;
inline constexpr std::uint16_t kDepthCodeBits = 0x00FE;
// The depth code of a 32-bit group, the one depth every image fits.
inline constexpr std::uint16_t kDepthCode32 = 0x0020;
// The most images (and slots) a group holds: its counts are 16 bits.
inline constexpr std::size_t kMaxImagesInGroup = 65535;

// The bytes of a mask row: one bit a pixel, rounded up to whole bytes.
constexpr std::size_t MaskRowBytes(std::size_t width) { return (width + 7) / 8; }

// One image's mask as bits, the way a group holds it: row after row from the
// top, MaskRowBytes(width) bytes a row, the leftmost pixel in the top bit of
// the first byte and the bits past the width 0. A set bit is a transparent
// pixel. A view with no rows stands for a group without a mask.
template <typename Byte>
class BasicMaskBits {
 public:
  BasicMaskBits() = default;
  BasicMaskBits(Byte* rows, std::size_t width, std::size_t height) : rows_(rows), width_(width), height_(height) {}

  std::size_t size() const { return width_ * height_; }
  bool empty() const { return size() == 0; }
  Byte* Row(std::size_t y) const { return rows_ + y * MaskRowBytes(width_); }
  // Whether pixel p (counted row by row from the top left) is transparent.
  bool operator[](std::size_t p) const {
    const std::size_t x = p % width_;
    return (Row(p / width_)[x / 8] >> (7 - x % 8)) & 1;
  }
  void Set(std::size_t p, bool transparent) const requires(!std::is_const_v<Byte>) {
    const std::size_t x = p % width_;
    const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
    Byte& byte = Row(p / width_)[x / 8];
    byte = static_cast<std::uint8_t>(transparent ? byte | bit : byte & ~bit);
  }

 private:
  Byte* rows_ = nullptr;
  std::size_t width_ = 0;
  std::size_t height_ = 0;
};
using MaskBits = BasicMaskBits<const std::uint8_t>;
using MutableMaskBits = BasicMaskBits<std::uint8_t>;

// The decoded form of a group. Its images lie in two blocks, image after
// image: PixelsPerImage() values each in `pixels` and, when the group has a
// mask, MaskBytesPerImage() bytes of bits each in `mask`. One block for all
// images means decoding and encoding make two allocations, however many
// images a group holds; bits rather than a byte a pixel keep the mask as
// small as the file's.
struct ImageList {
  std::uint16_t version = kImageListVersion;
  std::uint16_t tileWidth = 0;
  std::uint16_t tileHeight = 0;
  std::uint16_t flags = 0;                // mask bit and colour depth code
  std::uint32_t backColour = 0xFFFFFFFF;  // 0x00BBGGRR, 0xFFFFFFFF = none
  std::uint16_t growStep = 0;
  std::uint16_t capacity = 0;  // slots; never less than ImageCount()
  std::array<std::int16_t, 4> overlays{-1, -1, -1, -1};
  std::uint16_t bitsPerPixel = 32;  // depth of the colour bitmap: 1, 4, 8, 16, 24 or 32
  // Palette entries for 1, 4 and 8 bits, each as stored, read little-endian
  // (0x??RRGGBB, the fourth byte kept).
  std::vector<std::uint32_t> palette;
  // Every image's pixel values (see Image::pixels), image after image.
  std::vector<std::uint32_t> pixels;
  // Every image's mask bits (see MaskBits), image after image; empty when the
  // group has no mask.
  std::vector<std::uint8_t> mask;

  bool HasMask() const { return (flags & kFlagMask) != 0; }
  std::size_t PixelsPerImage() const { return std::size_t{tileWidth} * tileHeight; }
  // The number of images the pixel block holds.
  std::size_t ImageCount() const { return PixelsPerImage() == 0 ? 0 : pixels.size() / PixelsPerImage(); }

  std::span<std::uint32_t> PixelsOf(std::size_t index) {
    return {pixels.data() + index * PixelsPerImage(), PixelsPerImage()};
  }
  std::span<const std::uint32_t> PixelsOf(std::size_t index) const {
    return {pixels.data() + index * PixelsPerImage(), PixelsPerImage()};
  }
  std::size_t MaskBytesPerImage() const { return MaskRowBytes(tileWidth) * tileHeight; }
  // Empty when the group has no mask.
  MutableMaskBits MaskOf(std::size_t index) {
    if (mask.empty()) return {};
    return {mask.data() + index * MaskBytesPerImage(), tileWidth, tileHeight};
  }
  MaskBits MaskOf(std::size_t index) const {
    if (mask.empty()) return {};
    return {mask.data() + index * MaskBytesPerImage(), tileWidth, tileHeight};
  }
  // A copy of image `index` (below ImageCount()).
  Image ImageAt(std::size_t index) const;
  // Adds `image`, which must fit the group (ImageFits), after the last one,
  // capacity untouched (see AppendImage for the group's own rule).
  void PushImage(const Image& image);
  // Gives a group without a mask one in which every image is opaque.
  void AddOpaqueMask();
  // Removes images first .. first + count - 1 as far as they exist.
  void EraseImages(std::size_t first, std::size_t count);
  // Removes every image.
  void ClearImages() {
    pixels.clear();
    mask.clear();
  }

  bool operator==(const ImageList&) const = default;
};

// The most pixels, summed over its images, that a decode widens: each becomes
// a 32-bit value and a mask bit, so a group at the limit takes 264 MB once
// decoded. A full group of 65,535 icons of 32 x 32 (67,107,840 pixels) stays
// just under it; sixteen 4096 x 4096 tiles (268 million) are refused.
inline constexpr std::uint64_t kMaxDecodedPixels = 64ull << 20;
inline constexpr const char* kTooLargeReason = "too large to open: its images hold more than 67,108,864 pixels";

// The largest group file worth reading whole. A group at kMaxDecodedPixels,
// 32 bits deep with a mask, is about 272 MB; so is a group of 65,535 free
// 32 x 32 slots. Anything larger cannot be opened, so is not read.
inline constexpr std::uint64_t kMaxImageGroupFileBytes = 512ull << 20;

// What a group's structure says, read without touching a pixel: every header
// field (the palette included) in `header`, whose images stay empty.
struct ImageGroupShape {
  ImageList header;
  std::uint16_t imageCount = 0;

  std::uint64_t DecodedPixels() const { return std::uint64_t{imageCount} * header.PixelsPerImage(); }
};

// Checks everything DecodeImageGroup checks about the bytes, without cutting
// out or widening any pixel: the cost is the headers' size, whatever the
// bitmaps hold. Fails, with DecodeImageGroup's reason, exactly when the bytes
// are not a complete group; a group over kMaxDecodedPixels is still given.
ErrorOr<ImageGroupShape> CheckImageGroup(ByteSpan bytes);

// True when a group of this shape is small enough for DecodeImageGroup.
bool WithinDecodeLimit(const ImageGroupShape& shape);

// A group read one image at a time: the structure is checked once, when it is
// opened, and an image's pixels are widened only when it is asked for. It
// points into the bytes it was opened on, which must outlive it and stay
// unchanged.
class ImageGroupReader {
 public:
  // Fails exactly when DecodeImageGroup fails, with its reason.
  static ErrorOr<ImageGroupReader> Open(ByteSpan bytes);

  // Every field of the group apart from its images, which stay empty.
  const ImageList& header() const;
  std::size_t size() const;
  // Image `index` (below size()) as DecodeImageGroup gives it.
  Image ImageAt(std::size_t index) const;

  ~ImageGroupReader();
  ImageGroupReader(ImageGroupReader&&) noexcept;
  ImageGroupReader& operator=(ImageGroupReader&&) noexcept;

 private:
  struct Parts;
  explicit ImageGroupReader(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

// Decodes any byte string; fails (never crashes, never allocates beyond what
// the bytes can hold) on anything that is not a complete group, and on a group
// whose images hold more than kMaxDecodedPixels (kTooLargeReason). The reason
// is a short English phrase, e.g. "mask bitmap pixel rows cut short". Complete
// means version 0x0101, capacity >= imageCount, a known depth code that agrees
// with the colour bitmap, and bitmaps with room for every slot up to capacity.
// The BMP file-size fields and any bytes after the last bitmap are ignored.
ErrorOr<ImageList> DecodeImageGroup(ByteSpan bytes);

// The same into `list`, whose blocks keep their storage: decoding a group no
// larger than the one `list` held allocates nothing for its pixels. On
// failure `list` is left as it was.
ErrorOr<void> DecodeImageGroupInto(ByteSpan bytes, ImageList& list);

// Removes images first, first + 1, ... first + count - 1 as far as they
// exist, exactly as decoding, erasing them and encoding again would (capacity
// kept). Where tile rows start and end on bytes no pixel is widened: a group
// exactly as EncodeImageGroup writes it is edited where it lies, moving only
// the tiles after `first`; any other is first written out in that form, its
// tiles moved as bytes. Fails, with `group` unchanged, when the group does
// not decode or memory runs out.
ErrorOr<void> RemoveImagesInPlace(Bytes& group, std::size_t first, std::size_t count);

// Appends `image` after the last image, exactly as decoding, AppendImage and
// encoding again would. A 32-bit group with a mask is edited as above: the
// image goes into the first free slot and, when the slots run out, the rows
// move once. Fails, with `group` unchanged, when the group does not decode,
// is full, has no room to grow that it could be read back with (see
// CapacityForOneMore), or the image does not fit it.
ErrorOr<void> AppendImageInPlace(Bytes& group, const Image& image);

// The same on a copy of `bytes`.
ErrorOr<Bytes> RemoveImagesFromGroup(ByteSpan bytes, std::size_t first, std::size_t count);
ErrorOr<Bytes> AppendImageToGroup(ByteSpan bytes, const Image& image);

// Encodes at the list's own depth; the colour word is always 0xFF000000. Fails
// only when the list cannot be written out (inconsistent sizes, over 65,535
// images or slots, a bitmap too large for the format).
// Inconsistent also covers: a version other than kImageListVersion, a depth
// code that is unknown or differs from bitsPerPixel, a palette that is not
// exactly 2^bits entries at 1, 4 and 8 bits (empty otherwise), a pixel value
// that does not fit the depth, a mask bit set past an image's width, and
// images in a group whose tiles are 0 pixels wide or high.
ErrorOr<Bytes> EncodeImageGroup(const ImageList& list);

// The same into `out`, which keeps its storage: encoding over bytes at least
// as long allocates nothing. On failure `out` is left as it was, so a list
// may be written back over the very bytes it was decoded from.
ErrorOr<void> EncodeImageGroupInto(const ImageList& list, Bytes& out);

// The colour of a stored pixel value of `list` as 0x00RRGGBB, whatever the
// depth; black for a palette index past the palette.
std::uint32_t PixelRgb(const ImageList& list, std::uint32_t value);

// An image of `list` as a list draws it, 0xAARRGGBB per pixel, rows top
// down: pixels under the mask are transparent; a 32-bit image whose fourth
// bytes are not all zero carries its own alpha; every other pixel is opaque.
std::vector<std::uint32_t> ImageArgb(const ImageList& list, const Image& image);

// Converts every image to 32 bits per pixel (fourth byte 0) and sets the depth
// code to 0x20; the mask is kept. A group whose bitmap is already 32 bits
// deep (depth code 0) keeps every pixel value, its fourth byte included. Used
// before appending a 32-bit image to a group of another depth.
void ConvertToDepth32(ImageList& list);

// Whether icons can be appended as they are: the group is 32 bits deep with
// that depth code, and has a mask.
bool IsReadyForIcons(const ImageList& header);

// What ReadyForIcons changed.
struct IconReadiness {
  std::uint16_t oldBits = 32;  // the depth before
  bool depthConverted = false;
  bool maskAdded = false;
};

// Readies a group for icons: converts it to 32 bits (ConvertToDepth32) unless
// it already is, with that depth code, and gives a group without a mask one
// in which every image is opaque, as it was drawn before.
IconReadiness ReadyForIcons(ImageList& list);

// Whether `image` can join the group: a value for every pixel, and a mask
// entry of 0 or 1 for every pixel exactly when the group has a mask.
bool ImageFits(const ImageList& header, const Image& image);

// The length of the group EncodeImageGroup writes for a list of the shape of
// `header` (cell size, depth, palette, mask) with `capacity` slots, whatever
// images it holds; nothing when such a group cannot be written.
std::optional<std::uint64_t> EncodedGroupSize(const ImageList& header, std::uint16_t capacity);

// Appends an image, growing capacity by growStep (at least 1) when full.
// False, with the list unchanged, when the group is at its 65,535-image limit,
// when one more image would make a group that cannot be read back (see
// CapacityForOneMore), or when the image does not fit it.
bool AppendImage(ImageList& list, const Image& image);
// The capacity a group shaped as `header` that holds `images` images needs
// for one more: its own while a slot is free, else grown by growStep (at
// least 1), but never past the slots that keep the encoded group within
// kMaxImageGroupFileBytes, the most any reader here takes. Nothing at the
// 65,535-image limit, and when even one more slot, or one more image's
// pixels (kMaxDecodedPixels), would be more than can be read back.
std::optional<std::uint16_t> CapacityForOneMore(const ImageList& header, std::size_t images);

}  // namespace tilvane
