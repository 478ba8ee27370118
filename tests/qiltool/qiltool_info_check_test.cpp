// info and check: what they print about sound and broken files, and their exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include <nlohmann/json.hpp>

#include "core/imagegroup/collection.h"
#include "core/imagegroup/default_group.h"
#include "qiltool/qiltool_fixture.h"
#include "support/large_group.h"

namespace tilvane::testing {
namespace {

class QiltoolInspect : public QiltoolTest {};

TEST_F(QiltoolInspect, InfoShowsEveryHeaderField) {
  const std::string path = WriteGroup(
      "eight bit.qil", MakeList({.tileWidth = 16, .tileHeight = 24, .bitsPerPixel = 8, .images = 3, .capacity = 5}));
  ToolResult info = Run({"info", path});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.out, path +
                          "\n  version       0x0101\n  images        3\n  capacity      5\n  grow step     3\n"
                          "  tile size     16x24\n  colour depth  8 bits\n  mask          yes\n"
                          "  background    EFCDAB\n  overlays      2 -1 0 7\n  key colour    none\n");

  ToolResult json = Run({"info", "--json", path});
  ASSERT_EQ(json.status, 0);
  EXPECT_EQ(json.out, "{\"file\": \"" + path +
                          "\", \"version\": 257, \"images\": 3, \"capacity\": 5, \"growStep\": 3, \"tileWidth\": 16, "
                          "\"tileHeight\": 24, \"bitsPerPixel\": 8, \"depthCode\": 8, \"mask\": true, "
                          "\"background\": \"EFCDAB\", \"overlays\": [2, -1, 0, 7], \"keyColour\": null}\n");
}

#ifndef _WIN32  // Windows names are UTF-16: undecodable bytes and quotes cannot occur in them
TEST_F(QiltoolInspect, InfoReadsTheKeyColourAndNamesInAnyEncoding) {
  Bytes group = DefaultImageGroup();
  PutU32At(group, 4, 0x000000FF);  // a key colour of pure red
  const std::string name = std::string("key\xB2\xE2\"q.qil");  // GBK bytes and a quote in the name
  Write(name, group);
  ToolResult info = Run({"info", name});
  EXPECT_NE(info.out.find("key colour    FF0000\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("background    FFFFFF\n"), std::string::npos);
  ToolResult json = Run({"info", name, "--json"});
  EXPECT_EQ(json.out.rfind("{\"file\": \"key\xEF\xBF\xBD\xEF\xBF\xBD\\\"q.qil\"", 0), 0u) << json.out;
  EXPECT_NE(json.out.find("\"keyColour\": \"FF0000\""), std::string::npos);
  // Each malformed byte reads back as U+FFFD.
  const nlohmann::json parsed = nlohmann::json::parse(json.out);
  EXPECT_EQ(parsed.at("file"), "key\uFFFD\uFFFD\"q.qil");
}

TEST_F(QiltoolInspect, InfoJsonReadsBackWithQuotesBackslashesAndChineseInTheName) {
  GroupShape shape;
  shape.images = 2;
  const std::string path = WriteGroup("\"引号\" 与 \\反斜杠\\ 图标组.qil", MakeList(shape));
  ToolResult json = Run({"info", "--json", path});
  ASSERT_EQ(json.status, 0) << json.err;
  ASSERT_EQ(json.out.back(), '\n');
  nlohmann::ordered_json parsed;
  ASSERT_NO_THROW(parsed = nlohmann::ordered_json::parse(json.out)) << json.out;
  EXPECT_EQ(parsed.at("file").get<std::string>(), path);
  EXPECT_EQ(parsed.at("images"), 2);
  EXPECT_EQ(parsed.at("overlays").size(), 4u);
  std::vector<std::string> keys;
  for (const auto& member : parsed.items()) keys.push_back(member.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"file", "version", "images", "capacity", "growStep", "tileWidth",
                                            "tileHeight", "bitsPerPixel", "depthCode", "mask", "background",
                                            "overlays", "keyColour"}));
}
#endif

TEST_F(QiltoolInspect, InfoDescribesAGroupTooLargeToOpenAndCheckRefusesIt) {
  // 17 one-bit tiles of 2048 x 2048: sound headers, more pixels than a decode takes.
  const std::string path = Write("large.qil", LargeOneBitGroup(17, 2048, false));
  ToolResult info = Run({"info", path});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("  images        17\n  capacity      17\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("  tile size     2048x2048\n  colour depth  1 bits (display default)\n"), std::string::npos);
  EXPECT_EQ(info.err, "qiltool: " + path + ": too large to open: its images hold more than 67,108,864 pixels\n");
  ToolResult check = Run({"check", path});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find("too large to open"), std::string::npos) << check.err;
}

TEST_F(QiltoolInspect, FilesLargerThanAnyGroupAreNotRead) {
  // A sparse 600 MB file: refused from its size, before anything is allocated.
  const std::string path = Write("huge.qil", DefaultImageGroup());
  {
    std::ofstream grow(path, std::ios::binary | std::ios::in | std::ios::out);
    grow.seekp((600ll << 20) - 1);
    grow.put('x');
  }
  for (const char* command : {"info", "check"}) {
    ToolResult result = Run({command, path});
    EXPECT_EQ(result.status, 1) << command;
    EXPECT_EQ(result.err, "qiltool: " + path + ": too large (over 512 MiB)\n") << command;
  }
}

TEST_F(QiltoolInspect, CheckNamesWhatIsWrongWithEachBrokenFile) {
  const Bytes sound = DefaultImageGroup();
  Bytes lowerMagic = sound;
  lowerMagic[0] = 'm';
  Bytes noStream = sound;
  noStream[8] = 'X';
  Bytes badVersion = sound;
  PutU16At(badVersion, 10, 0x0102);
  Bytes shortMask(sound.begin(), sound.end() - 10);
  Bytes overCapacity = sound;
  PutU16At(overCapacity, 12, 7);  // 7 images in 6 slots
  const Bytes eightBytes(sound.begin(), sound.begin() + 8);

  const std::vector<std::pair<std::string, Bytes>> broken = {
      {"lower magic.qil", lowerMagic},         {"no stream.qil", noStream},
      {"version.qil", badVersion},             {"short mask.qil", shortMask},
      {"over capacity.qil", overCapacity},     {"eight bytes.qil", eightBytes},
      {"empty.qil", {}},
  };
  const std::vector<std::string> reasons = {
      "not an image group",         "not an image-list stream",      "unsupported image-list version",
      "mask bitmap pixel rows cut short", "capacity below image count", "too short for an image group",
      "too short for an image group",
  };
  for (std::size_t i = 0; i < broken.size(); ++i) {
    const std::string path = Write(broken[i].first, broken[i].second);
    ToolResult check = Run({"check", path});
    EXPECT_EQ(check.status, 1) << broken[i].first;
    EXPECT_EQ(check.err, "qiltool: " + path + ": " + reasons[i] + "\n");
    EXPECT_EQ(check.out, "");
    EXPECT_EQ(ReadAll(path), broken[i].second) << "check must not touch " << broken[i].first;
    EXPECT_EQ(Run({"info", path}).status, 1);
  }
}

TEST_F(QiltoolInspect, CheckPassesOnlyWhenEveryFileDecodes) {
  const std::string good = File("图片组 一.qil");
  ASSERT_EQ(Run({"new", good}).status, 0);
  const std::string other = Write("default group.qil", DefaultImageGroup());

  ToolResult both = Run({"check", good, other});
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(both.out, good + ": ok, 0 images of 32x32 at 32 bits with a mask\n" + other +
                          ": ok, 1 image of 32x32 at 32 bits with a mask\n");

  ToolResult withMissing = Run({"check", good, File("缺少.qil"), File("")});
  EXPECT_EQ(withMissing.status, 1);
  EXPECT_NE(withMissing.out.find(good + ": ok"), std::string::npos);
  EXPECT_NE(withMissing.err.find("qiltool: " + File("缺少.qil") + ": No such file or directory\n"), std::string::npos);
  EXPECT_NE(withMissing.err.find("is a folder, not a file"), std::string::npos) << withMissing.err;
}

#ifndef _WIN32  // named pipes in the file system are POSIX's
TEST_F(QiltoolInspect, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
  const std::string pipe = File("pipe.qil");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  ToolResult check = Run({"check", pipe});
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.err, "qiltool: " + pipe + ": not a regular file\n");
  const std::string group = File("g.qil");
  ASSERT_EQ(Run({"new", group}).status, 0);
  ToolResult add = Run({"add", group, pipe});
  EXPECT_EQ(add.status, 1);
  EXPECT_NE(add.err.find("qiltool: " + pipe + ": cannot be read\n"), std::string::npos) << add.err;
  const std::string linkPipe = File("pipe.lnk");
  ASSERT_EQ(::mkfifo(linkPipe.c_str(), 0600), 0);
  ToolResult target = Run({"target", linkPipe});
  EXPECT_EQ(target.status, 1);
  EXPECT_EQ(target.err, "qiltool: " + linkPipe + ": not a regular file\n");
}
#endif

TEST_F(QiltoolInspect, NewMakesTheEditorsEmptyGroup) {
  const std::string path = File("new group.qil");
  ToolResult made = Run({"new", path});
  ASSERT_EQ(made.status, 0) << made.err;
  Bytes expected = DefaultImageGroup();
  ASSERT_TRUE(ImageGroupRemove(expected, 0));
  EXPECT_EQ(ReadAll(path), expected);
  std::optional<ImageList> list = Decode(path);
  ASSERT_TRUE(list);
  EXPECT_TRUE(list->ImageCount() == 0);
  EXPECT_EQ(list->tileWidth, 32);
  EXPECT_EQ(list->bitsPerPixel, 32);
  EXPECT_TRUE(list->HasMask());
}

}  // namespace
}  // namespace tilvane::testing
