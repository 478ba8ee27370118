// The Win32 front end's pieces that need no display: the style words and
// answers of message boxes, and what the common file dialogs are given.
#include <gtest/gtest.h>

#include <string>

#include "front/win32/prompts.h"

using namespace tilvane;
using namespace tilvane::win32;

namespace {

using namespace std::string_literals;

TEST(Win32Prompts, BoxStyleIsTheFlagsWordAndTaskModal) {
  // Every flags word the handlers use.
  struct Case {
    BoxButtons buttons;
    BoxIcon icon;
    UINT style;
  };
  const Case cases[] = {
      {BoxButtons::Ok, BoxIcon::None, MB_OK | MB_TASKMODAL},
      {BoxButtons::Ok, BoxIcon::Information, MB_OK | MB_ICONINFORMATION | MB_TASKMODAL},
      {BoxButtons::Ok, BoxIcon::Warning, MB_OK | MB_ICONWARNING | MB_TASKMODAL},
      {BoxButtons::YesNoCancel, BoxIcon::None, MB_YESNOCANCEL | MB_TASKMODAL},
      {BoxButtons::YesNoCancel, BoxIcon::Question, MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL},
      {BoxButtons::YesNo, BoxIcon::Question, MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL},
  };
  for (const Case& c : cases) {
    const UINT style = MessageBoxStyle(c.buttons, c.icon);
    EXPECT_EQ(style, c.style) << std::hex << "buttons " << static_cast<int>(c.buttons) << " icon "
                              << static_cast<int>(c.icon);
    EXPECT_EQ(style & MB_SYSTEMMODAL, 0u);
  }
}

TEST(Win32Prompts, AnswerOfEveryButtonTheBoxCanReport) {
  const std::pair<int, BoxAnswer> cases[] = {
      {IDOK, BoxAnswer::Ok},
      {IDCANCEL, BoxAnswer::Cancel},
      {IDYES, BoxAnswer::Yes},
      {IDNO, BoxAnswer::No},
      {0, BoxAnswer::Ok} /* the box failed */,
      {IDABORT, BoxAnswer::Ok},
      {IDRETRY, BoxAnswer::Ok},
      {IDIGNORE, BoxAnswer::Ok},
  };
  for (const auto& [result, answer] : cases) EXPECT_EQ(AnswerOfBoxResult(result), answer) << "result " << result;
}

TEST(Win32Prompts, FilterKeepsDescriptionsAsWrittenBetweenNuls) {
  const std::pair<Text, std::wstring> cases[] = {
      // The filters of Open, Save As, export and Add.
      {"Quill图片组(qil)|*.qil", L"Quill图片组(qil)\0*.qil\0\0"s},
      {"Quill图片组(*.qil)|*.qil", L"Quill图片组(*.qil)\0*.qil\0\0"s},
      {"位图(BMP)|*.bmp", L"位图(BMP)\0*.bmp\0\0"s},
      {"资源图标文件(*.exe)(*.dll)(*.ico)(*.mui)(*.lnk)(*.qil)|*.exe;*.dll;*.ico;*.mui;*.lnk;*.qil|所有文件|*.*",
       L"资源图标文件(*.exe)(*.dll)(*.ico)(*.mui)(*.lnk)(*.qil)\0*.exe;*.dll;*.ico;*.mui;*.lnk;*.qil\0所有文件\0*.*\0\0"s},
      // The terminating bars already there, and a trailing single bar.
      {"A|*.a||", L"A\0*.a\0\0"s},
      {"A|*.a|B|*.b|", L"A\0*.a\0B\0*.b\0\0"s},
      // The list ends at the first empty description.
      {"A|*.a||B|*.b", L"A\0*.a\0\0"s},
      // A description without a pattern keeps an empty one.
      {"Only", L"Only\0\0\0"s},
      // No filter at all.
      {"", L""s},
      {"||", L""s},
  };
  for (const auto& [filter, expected] : cases) EXPECT_EQ(CommonDialogFilter(filter), expected) << filter;
}

TEST(Win32Prompts, FilterIndexSelectsTheSameEntryAsTheOtherFrontEnd) {
  struct Case {
    int initial;
    std::size_t count;
    DWORD index;
  };
  const Case cases[] = {
      {0, 1, 1},  {0, 2, 1},    {1, 2, 2},
      {-1, 2, 1}, {-100, 1, 1}, {2, 2, 1},  // past the last filter: the first, as when none is chosen
      {0, 0, 0},  {3, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommonDialogFilterIndex(c.initial, c.count), c.index) << c.initial << " of " << c.count;
  }
}

TEST(Win32Prompts, FileNameBufferHoldsTheProposedNameOnlyWhenItFits) {
  EXPECT_EQ(FileNameBuffer("").size(), kFileNameBufferSize);
  EXPECT_EQ(FileNameBuffer("")[0], L'\0');
  EXPECT_EQ(std::wstring(FileNameBuffer("新建图片组.qil").data()), L"新建图片组.qil");
  EXPECT_EQ(std::wstring(FileNameBuffer("C:/组/a.qil").data()), L"C:\\组\\a.qil");
  // The longest name that fits leaves room for its NUL; one more unit does
  // not fit and is not copied at all (never cut short).
  const Text longest(kFileNameBufferSize - 1, 'x');
  EXPECT_EQ(std::wstring(FileNameBuffer(longest).data()).size(), kFileNameBufferSize - 1);
  EXPECT_EQ(FileNameBuffer(longest + "x")[0], L'\0');
  // Length counts UTF-16 units, not bytes: 20,000 Han characters (60,000
  // bytes) fit.
  Text han;
  for (int i = 0; i < 20000; ++i) han += "组";
  EXPECT_EQ(std::wstring(FileNameBuffer(han).data()).size(), 20000u);
}

TEST(Win32Prompts, PathsGetBackslashesAndKeepTheirCharacters) {
  const std::pair<Text, std::wstring> cases[] = {
      {"C:/Users/用户/图片", L"C:\\Users\\用户\\图片"},
      {"Z:\\tmp\\组", L"Z:\\tmp\\组"},
      {"", L""},
      // Bytes that are not UTF-8 still show, as replacement characters.
      {"a\xff/b", L"a\xfffd\\b"},
  };
  for (const auto& [path, wide] : cases) EXPECT_EQ(WindowsPath(path), wide) << path;
}

}  // namespace
