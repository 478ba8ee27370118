// The command line itself: help, usage errors and their exit status.
#include <gtest/gtest.h>

#include "qiltool/qiltool_fixture.h"

namespace tilvane::testing {
namespace {

class QiltoolUsage : public QiltoolTest {};

TEST_F(QiltoolUsage, HelpListsEveryCommandAndExitCodes) {
  ToolResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"info", "new", "add", "remove", "move", "merge", "export", "export-all", "target", "check"}) {
    EXPECT_NE(help.out.find(std::string("  ") + command + " "), std::string::npos) << command;
    ToolResult own = Run({command, "--help"});
    EXPECT_EQ(own.status, 0) << command;
    EXPECT_EQ(own.out.rfind(std::string("Usage: qiltool ") + command + " ", 0), 0u) << own.out;
    EXPECT_EQ(Run({"help", command}).out, own.out);
  }
  EXPECT_NE(help.out.find("1  bad input"), std::string::npos);
  EXPECT_NE(help.out.find("2  usage"), std::string::npos);
  EXPECT_NE(help.out.find("3  write failure"), std::string::npos);
}

TEST_F(QiltoolUsage, VersionIsTheProjects) {
  ToolResult version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("qiltool ") + TILVANE_VERSION + "\n");
  EXPECT_EQ(version.err, "");
}

TEST_F(QiltoolUsage, MistakesOnTheCommandLineExitWithTwoAndWriteNothing) {
  const std::string group = File("g.qil");
  ASSERT_EQ(Run({"new", group}).status, 0);
  const Bytes before = ReadAll(group);
  const std::vector<std::vector<std::string>> mistakes = {
      {},
      {"frobnicate"},
      {"info"},
      {"info", group, "extra"},
      {"info", group, "--colour"},
      {"add", group},
      {"add", group, IntakeFixture("multi.ico"), "--icon"},
      {"add", group, IntakeFixture("multi.ico"), "--icon", "-1"},
      {"add", group, IntakeFixture("multi.ico"), "--icon", "two"},
      {"remove", group, "-1"},
      {"remove", group, "1.5"},
      {"move", group, "0"},
      {"export", group, "0", File("a.gif")},
      {"export", group, "0", File("a.png"), "--fill", "FFFFFF"},
      {"export", group, "0", File("a.bmp"), "--fill", "FFF"},
      {"export", group, "0", File("a.bmp"), "--fill", "GG0000"},
      {"export-all", group, File("out"), "--fill", "000000"},
  };
  for (const auto& words : mistakes) {
    ToolResult result = Run(words);
    std::string line;
    for (const auto& w : words) line += w + " ";
    EXPECT_EQ(result.status, 2) << line << result.err;
    EXPECT_FALSE(result.err.empty()) << line;
  }
  EXPECT_EQ(ReadAll(group), before);
  EXPECT_FALSE(PathExists(File("a.bmp")) || PathExists(File("a.png")) || PathExists(File("out")));
}

TEST_F(QiltoolUsage, DoubleDashLetsAFileNameStartWithADash) {
  ToolResult made = Run({"new", "--", "-odd.qil"});
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_TRUE(Decode(File("-odd.qil")).has_value());
  EXPECT_EQ(Run({"info", "--json", "--", "-odd.qil"}).status, 0);
  EXPECT_EQ(Run({"info", "-odd.qil"}).status, 2);
}

}  // namespace
}  // namespace tilvane::testing
