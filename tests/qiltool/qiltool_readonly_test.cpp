// Outputs in a locked folder: every writing command exits with 3 and leaves
// the files that were there whole. The tool runs as an ordinary user, so the
// lock holds when the tests run as root.
#ifndef _WIN32  // POSIX permissions; the Windows tests have their own read-only case
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "qiltool/qiltool_fixture.h"
#include "support/ordinary_user.h"

namespace tilvane::testing {
namespace {

class QiltoolReadOnly : public QiltoolTest {
 protected:
  void SetUp() override {
    folder_ = File("只读 目录");
    std::filesystem::create_directories(folder_);
    group_ = FixtureGroup("seed.qil");
    std::filesystem::copy_file(group_, folder_ + "/g.qil");
    group_ = folder_ + "/g.qil";
    before_ = ReadAll(group_);
    // The scratch folder becomes the ordinary user's own, the folder inside
    // it readable but locked.
    GiveToOrdinaryUser(File(""));
    GiveToOrdinaryUser(folder_);
    ASSERT_EQ(::chmod(folder_.c_str(), 0555), 0);
  }
  void TearDown() override { ::chmod(folder_.c_str(), 0755); }
  ToolResult RunAsOrdinaryUser(const std::vector<std::string>& args) {
    return RunQiltool(args, File(""), RunAs::OrdinaryUser);
  }
  void ExpectWriteFailure(const std::vector<std::string>& args, const std::string& output) {
    ToolResult result = RunAsOrdinaryUser(args);
    EXPECT_EQ(result.status, 3) << args[0] << ": " << result.err;
    EXPECT_NE(result.err.find("qiltool: " + output + ": cannot write: Permission denied"), std::string::npos)
        << result.err;
    EXPECT_EQ(ReadAll(group_), before_);
  }

  std::string folder_;
  std::string group_;
  Bytes before_;
};

TEST_F(QiltoolReadOnly, EveryWritingCommandFailsWithThreeAndKeepsTheOldFile) {
  ExpectWriteFailure({"new", folder_ + "/new.qil"}, folder_ + "/new.qil");
  ExpectWriteFailure({"new", group_}, group_);
  ExpectWriteFailure({"add", group_, IntakeFixture("multi.ico")}, group_);
  ExpectWriteFailure({"remove", group_, "0"}, group_);
  ExpectWriteFailure({"move", group_, "0", "1"}, group_);
  ExpectWriteFailure({"merge", group_, group_, group_}, group_);
  ExpectWriteFailure({"export", group_, "0", folder_ + "/a.png"}, folder_ + "/a.png");
  ExpectWriteFailure({"export-all", group_, folder_}, folder_ + "/000.png");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), std::filesystem::directory_iterator()), 1);
}

TEST_F(QiltoolReadOnly, ReadingCommandsStillWork) {
  EXPECT_EQ(RunAsOrdinaryUser({"check", group_}).status, 0);
  EXPECT_EQ(RunAsOrdinaryUser({"info", group_}).status, 0);
  ToolResult exported = RunAsOrdinaryUser({"export", group_, "1", File("out.bmp")});
  EXPECT_EQ(exported.status, 0) << exported.err;
}

}  // namespace
}  // namespace tilvane::testing

#endif  // _WIN32
