// Builders for the intake tests: fixture paths, a scratch folder, a writer of
// DIB icon entries and ICO files, a minimal PE image around a resource tree,
// and a writer of the shell-link binary format.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/text.h"
#include "support/little_endian.h"

namespace tilvane::testing {

inline std::string IntakeFixture(const std::string& name) {
  return std::string(TILVANE_BINARY_DIR) + "/fixtures/intake/" + name;
}

using little_endian::Put16;
using little_endian::Put32;
using little_endian::Set16;
using little_endian::Set32;

// Paths in the tests are UTF-8, as in the program; on Windows a plain
// std::string would be read in the ANSI code page instead.
inline std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Path(const std::filesystem::path& path) {
  std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::filesystem::path candidate =
          std::filesystem::temp_directory_path() / ("tilvane-intake-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
        path_ = Utf8Path(candidate);
      }
    }
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(FsPath(path_), ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream out(FsPath(File(name)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return File(name);
  }

 private:
  std::string path_;
};

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A DIB icon entry. `values` are top row first: palette indexes at 1, 4 and 8
// bits, the raw 16-bit word, 0x00RRGGBB at 24 and 0xAARRGGBB at 32 bits.
struct DibSpec {
  int width = 0;
  int height = 0;
  int bits = 32;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::uint32_t> values;
  std::vector<std::uint8_t> andMask;  // 1 = transparent; empty = no mask rows written
};

inline Bytes WriteDib(const DibSpec& spec) {
  Bytes out;
  Put32(out, 40);
  Put32(out, spec.width);
  Put32(out, spec.height * 2);
  Put16(out, 1);
  Put16(out, spec.bits);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(spec.palette.size()));
  Put32(out, 0);
  for (std::uint32_t colour : spec.palette) Put32(out, colour);
  const std::size_t stride = (static_cast<std::size_t>(spec.width) * spec.bits + 31) / 32 * 4;
  for (int y = spec.height - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (int x = 0; x < spec.width; ++x) {
      std::uint32_t v = spec.values[static_cast<std::size_t>(y) * spec.width + x];
      switch (spec.bits) {
        case 1: row[x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<std::uint8_t>(v << (x % 2 == 0 ? 4 : 0)); break;
        case 8: row[x] = static_cast<std::uint8_t>(v); break;
        default:
          for (int b = 0; b < spec.bits / 8; ++b) row[x * (spec.bits / 8) + b] = static_cast<std::uint8_t>(v >> (8 * b));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  if (!spec.andMask.empty()) {
    const std::size_t maskStride = (static_cast<std::size_t>(spec.width) + 31) / 32 * 4;
    for (int y = spec.height - 1; y >= 0; --y) {
      Bytes row(maskStride, 0);
      for (int x = 0; x < spec.width; ++x) {
        if (spec.andMask[static_cast<std::size_t>(y) * spec.width + x]) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
      out.insert(out.end(), row.begin(), row.end());
    }
  }
  return out;
}

struct IcoEntrySpec {
  int width = 32;  // 256 is stored as 0
  int height = 32;
  int bits = 32;
  Bytes picture;
};

inline Bytes WriteIco(const std::vector<IcoEntrySpec>& entries) {
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
  for (const IcoEntrySpec& e : entries) {
    out.push_back(static_cast<std::uint8_t>(e.width & 0xFF));
    out.push_back(static_cast<std::uint8_t>(e.height & 0xFF));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, e.bits);
    Put32(out, static_cast<std::uint32_t>(e.picture.size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(e.picture.size());
  }
  for (const IcoEntrySpec& e : entries) out.insert(out.end(), e.picture.begin(), e.picture.end());
  return out;
}

// A PE32 image with one section at RVA 0x1000 and file offset 0x200 holding
// `section`, which the resource data directory points at from its start.
inline Bytes WriteMinimalPe(const Bytes& section, std::uint32_t resourceSize = 0) {
  Bytes out(0x200 + section.size(), 0);
  out[0] = 'M';
  out[1] = 'Z';
  Set32(out, 0x3C, 0x40);
  Set32(out, 0x40, 0x00004550);
  Set16(out, 0x44, 0x014C);         // i386
  Set16(out, 0x46, 1);              // one section
  Set16(out, 0x54, 224);            // optional header size
  const std::size_t opt = 0x58;
  Set16(out, opt, 0x10B);
  Set32(out, opt + 92, 16);         // data directories
  Set32(out, opt + 96 + 16, 0x1000);  // resources
  Set32(out, opt + 96 + 20, resourceSize ? resourceSize : static_cast<std::uint32_t>(section.size()));
  const std::size_t table = opt + 224;
  std::copy_n(".rsrc", 5, out.begin() + table);
  Set32(out, table + 8, static_cast<std::uint32_t>(section.size()));
  Set32(out, table + 12, 0x1000);
  Set32(out, table + 16, static_cast<std::uint32_t>(section.size()));
  Set32(out, table + 20, 0x200);
  std::copy(section.begin(), section.end(), out.begin() + 0x200);
  return out;
}

// One resource directory node: a 16-byte header and (id, offset) entries, all
// id entries. Subdirectory offsets need the 0x80000000 bit from the caller.
inline Bytes ResourceDirectory(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
  Bytes out(12, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(entries.size()));
  for (auto [id, offset] : entries) {
    Put32(out, id);
    Put32(out, offset);
  }
  return out;
}

// The parts of a shell link that matter for its target.
struct LinkSpec {
  std::uint32_t headerSize = 0x4C;
  bool validClassId = true;
  Bytes idList;  // items without the terminating 0; written when not empty
  bool linkInfo = true;
  std::string localBase;       // written when not empty
  std::string suffix;
  std::u16string unicodeBase;  // with unicodeSuffix: the 0x24 header and Unicode fields
  std::u16string unicodeSuffix;
  std::string netName;  // a network link when not empty
};

inline void PutString(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}
inline void PutUnicode(Bytes& out, const std::u16string& text) {
  for (char16_t unit : text) Put16(out, unit);
  Put16(out, 0);
}

inline Bytes WriteShellLink(const LinkSpec& spec) {
  Bytes out;
  Put32(out, spec.headerSize);
  const std::uint8_t classId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(spec.validClassId ? 0x46 : 0x47)};
  out.insert(out.end(), classId, classId + 16);
  const bool unicode = !spec.unicodeBase.empty() || !spec.unicodeSuffix.empty();
  std::uint32_t flags = (spec.idList.empty() ? 0 : 0x1) | (spec.linkInfo ? 0x2 : 0) | (unicode ? 0x80 : 0);
  Put32(out, flags);
  out.resize(0x4C, 0);
  if (!spec.idList.empty()) {
    Put16(out, static_cast<std::uint32_t>(spec.idList.size() + 2));
    out.insert(out.end(), spec.idList.begin(), spec.idList.end());
    Put16(out, 0);
  }
  if (spec.linkInfo) {
    const std::uint32_t headerSize = unicode ? 0x24 : 0x1C;
    Bytes info(headerSize, 0);
    const bool network = !spec.netName.empty();
    std::uint32_t infoFlags = network ? 0x2 : 0x1;
    Set32(info, 4, headerSize);
    Set32(info, 8, infoFlags);
    if (!network) {
      Set32(info, 12, static_cast<std::uint32_t>(info.size()));
      Put32(info, 0x11);  // volume id: size, drive type, serial, label offset, empty label
      Put32(info, 3);
      Put32(info, 0x1234);
      Put32(info, 0x10);
      info.push_back(0);
      Set32(info, 16, static_cast<std::uint32_t>(info.size()));
      PutString(info, spec.localBase);
    } else {
      Set32(info, 20, static_cast<std::uint32_t>(info.size()));
      Put32(info, 0x14 + static_cast<std::uint32_t>(spec.netName.size()) + 1);
      Put32(info, 0);
      Put32(info, 0x14);
      Put32(info, 0);
      Put32(info, 0x00020000);
      PutString(info, spec.netName);
    }
    Set32(info, 24, static_cast<std::uint32_t>(info.size()));
    PutString(info, spec.suffix);
    if (unicode) {
      if (info.size() % 2) info.push_back(0);
      Set32(info, 28, static_cast<std::uint32_t>(info.size()));
      PutUnicode(info, spec.unicodeBase);
      Set32(info, 32, static_cast<std::uint32_t>(info.size()));
      PutUnicode(info, spec.unicodeSuffix);
    }
    Set32(info, 0, static_cast<std::uint32_t>(info.size()));
    out.insert(out.end(), info.begin(), info.end());
  }
  Put32(out, 0);  // no extra data blocks
  return out;
}

}  // namespace tilvane::testing
