// target: a shortcut's stored path, printed as the editor reads it.
#include <gtest/gtest.h>

#include "qiltool/qiltool_fixture.h"

namespace tilvane::testing {
namespace {

class QiltoolTarget : public QiltoolTest {};

TEST_F(QiltoolTarget, PrintsTheStoredPathUnresolved) {
  LinkSpec link;
  link.localBase = "/opt/程序 文件/gone.exe";  // need not exist
  const std::string shortcut = Write("快捷 方式.lnk", WriteShellLink(link));
  ToolResult result = Run({"target", shortcut});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "/opt/程序 文件/gone.exe\n");

  LinkSpec windows;
  windows.localBase = "C:\\Program Files\\";
  windows.suffix = "app.exe";
  Write("win.lnk", WriteShellLink(windows));
  // Without ".lnk" in the name, NAME.lnk is read, as in the editor.
  ToolResult appended = Run({"target", File("win")});
  EXPECT_EQ(appended.status, 0) << appended.err;
  EXPECT_EQ(appended.out, "C:\\Program Files\\app.exe\n");
}

TEST_F(QiltoolTarget, ALinkWithoutAFileTargetPrintsNothing) {
  LinkSpec folder;
  folder.linkInfo = false;
  folder.idList = {0x14, 0x00, 0x1F, 0x50};
  const std::string shortcut = Write("computer.lnk", WriteShellLink(folder));
  ToolResult result = Run({"target", shortcut});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
}

TEST_F(QiltoolTarget, RefusesFilesThatAreNoShortcut) {
  const std::string text = Write("text.lnk", ToBytes("not a shell link at all"));
  ToolResult notLink = Run({"target", text});
  EXPECT_EQ(notLink.status, 1);
  EXPECT_EQ(notLink.err, "qiltool: " + text + ": not a shortcut\n");
  ToolResult missing = Run({"target", File("missing.lnk")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "qiltool: " + File("missing.lnk") + ": No such file or directory\n");
  EXPECT_EQ(Run({"target", File(std::string(300, 'x') + ".lnk")}).status, 1);
}

}  // namespace
}  // namespace tilvane::testing
