#include "core/intake/path_rules.h"

#include <gtest/gtest.h>

namespace tilvane {
namespace {

TEST(PathExtension, TakesWhatFollowsTheLastDot) {
  EXPECT_EQ(PathExtensionOf("C:\\icons\\a.exe"), "exe");
  EXPECT_EQ(PathExtensionOf("/home/u/a.b.qil"), "qil");
  EXPECT_EQ(PathExtensionOf("C:\\a.qil\\b"), "qil\\b");
  EXPECT_EQ(PathExtensionOf("/home/u/A.QIL"), "QIL");
  EXPECT_EQ(PathExtensionOf("/home/u/noext"), "/home/u/noext");
  EXPECT_EQ(PathExtensionOf("http://host/x.ico"), "ico");
  EXPECT_EQ(PathExtensionOf("/图标/文件.dll"), "dll");
  // Several dropped files arrive as one text ending in a line break.
  EXPECT_EQ(PathExtensionOf("/a/x.ico\r\n/a/y.ico\r\n"), "ico\r\n");
}

TEST(PathExtension, RejectsRelativeAndNetworkSharePaths) {
  EXPECT_EQ(PathExtensionOf("a.exe"), std::nullopt);
  EXPECT_EQ(PathExtensionOf("\\\\server\\share\\a.exe"), std::nullopt);
  EXPECT_EQ(PathExtensionOf(""), std::nullopt);
}

TEST(IntakeExtensions, AreComparedExactly) {
  for (auto e : {"exe", "dll", "ocx", "mui", "ico", "lnk", "qil"}) EXPECT_TRUE(IsIntakeExtension(e)) << e;
  for (auto e : {"EXE", "Qil", "png", "", "ico\r\n", "qil\\b"}) EXPECT_FALSE(IsIntakeExtension(e)) << e;
}

TEST(PathFileName, GivesTheNameWithoutItsLastExtension) {
  EXPECT_EQ(PathFileNameOf("D:\\g\\abc.qil", 0).name, "abc");
  EXPECT_EQ(PathFileNameOf("D:\\g\\readme", 0).name, "");
  EXPECT_EQ(PathFileNameOf("D:\\g\\a.b.qil", 0).name, "a.b");
  EXPECT_EQ(PathFileNameOf("/home/u/组.qil", 0).name, "组");
  EXPECT_EQ(PathFileNameOf("/home/u/组.qil", 1).name, "组.qil");
  EXPECT_EQ(PathFileNameOf("http://host/dir/x.qil", 0).name, "x");
}

TEST(PathFileName, ReportsPathsOfTheWrongShape) {
  EXPECT_EQ(PathFileNameOf("\\\\server\\share\\a.qil", 0).problem, PathNameProblem::WrongShape);
  EXPECT_EQ(PathFileNameOf("relative.qil", 0).problem, PathNameProblem::WrongShape);
  EXPECT_EQ(PathFileNameOf("http://a.qil", 0).problem, PathNameProblem::NetworkPathWithoutHost);
  EXPECT_EQ(PathFileNameOf("http://host/a.qil", 0).problem, PathNameProblem::None);
}

}  // namespace
}  // namespace tilvane
