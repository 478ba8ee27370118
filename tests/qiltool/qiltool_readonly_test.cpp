// Outputs in a read-only folder: every writing command exits with 3 and
// leaves the files that were there whole. Needs root for mount(2).
#ifndef _WIN32  // POSIX permissions and mounts; the Windows tests have their own read-only case
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>

#include "qiltool/qiltool_fixture.h"

namespace tilvane::testing {
namespace {

class QiltoolReadOnly : public QiltoolTest {
 protected:
  void SetUp() override {
    folder_ = File("只读 目录");
    std::filesystem::create_directories(folder_);
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=256k") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    }
    mounted_ = true;
    // A group inside the folder, put there before it turns read-only.
    group_ = FixtureGroup("seed.qil");
    std::filesystem::copy_file(group_, folder_ + "/g.qil");
    group_ = folder_ + "/g.qil";
    before_ = ReadAll(group_);
    ASSERT_EQ(::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=256k"), 0);
  }
  void TearDown() override {
    if (mounted_) ::umount(folder_.c_str());
  }
  void ExpectWriteFailure(const std::vector<std::string>& args, const std::string& output) {
    ToolResult result = Run(args);
    EXPECT_EQ(result.status, 3) << args[0] << ": " << result.err;
    EXPECT_NE(result.err.find("qiltool: " + output + ": cannot write: Read-only file system"), std::string::npos)
        << result.err;
    EXPECT_EQ(ReadAll(group_), before_);
  }

  std::string folder_;
  std::string group_;
  Bytes before_;
  bool mounted_ = false;
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
  EXPECT_EQ(Run({"check", group_}).status, 0);
  EXPECT_EQ(Run({"info", group_}).status, 0);
  ToolResult exported = Run({"export", group_, "1", File("out.bmp")});
  EXPECT_EQ(exported.status, 0) << exported.err;
}

}  // namespace
}  // namespace tilvane::testing

#endif  // _WIN32
