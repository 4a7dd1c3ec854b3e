#include <gtest/gtest.h>

#include "message_box.h"
#include "string_resources.h"

namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ClearMessageBoxLog();
    DefaultMessageBoxPolicy().Reset();
    SetMessageBoxPolicy(nullptr);
  }
};

TEST_F(MessageBoxTest, QueuedAnswersComeFirstThenTheDefaults) {
  HWND owner = reinterpret_cast<HWND>(0x10);
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  EXPECT_EQ(MessageBoxW(owner, L"Go on?", L"Fernwick", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBoxW(owner, L"Again?", L"Fernwick", 0x24), IDNO) << "questions default to No";
  DefaultMessageBoxPolicy().SetQuestionDefault(IDYES);
  EXPECT_EQ(MessageBoxW(owner, L"And now?", L"Fernwick", 0x24), IDYES);
  EXPECT_EQ(MessageBoxW(nullptr, L"Done.", L"Fernwick", MB_ICONINFORMATION), IDOK);

  const auto& log = MessageBoxLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].owner, owner);
  EXPECT_EQ(log[0].text, L"Go on?");
  EXPECT_EQ(log[0].caption, L"Fernwick");
  EXPECT_EQ(log[0].type, 0x24u);
  EXPECT_EQ(log[1].answer, IDNO);
  EXPECT_EQ(log[3].type, 0x40u);
}

TEST_F(MessageBoxTest, AnotherPolicyAnswersAndBoxesAreStillLogged) {
  struct AlwaysCancel : MessageBoxPolicy {
    int Answer(HWND, const std::wstring&, const std::wstring& caption, UINT) override {
      seen = caption;
      return IDCANCEL;
    }
    std::wstring seen;
  } cancel;
  SetMessageBoxPolicy(&cancel);
  EXPECT_EQ(MessageBoxW(nullptr, L"x", L"cap", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(cancel.seen, L"cap");
  EXPECT_EQ(SetMessageBoxPolicy(nullptr), &cancel);
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].answer, IDCANCEL);
}

TEST(StringTable, ParsesIdsEscapesAndSkipsOtherBlocks) {
  const char* script = R"(// resource script
#define IDS_NAME 3
#include "resource.h"
101 DIALOGEX 0, 0, 108, 35
FONT 8, "MS Sans Serif"
BEGIN
    LTEXT "Not a string", 1004, 4, 5, 99, 24
END
STRINGTABLE
BEGIN
    1 "First"
    IDS_NAME, "Quote \"here\" and \\ back"
    0x10 "Hex ""doubled"""
    5 "Große Ü"
    6 "unterminated
END
7 "outside any table"
)";
  StringTable table;
  ParseStringTable(script, table);
  EXPECT_EQ(table.size(), 4u);
  EXPECT_EQ(table[1], L"First");
  EXPECT_EQ(table[3], L"Quote \"here\" and \\ back");
  EXPECT_EQ(table[16], L"Hex \"doubled\"");
  EXPECT_EQ(table[5], L"Gro\u00DFe \u00DC");
  EXPECT_EQ(table.count(1004), 0u);
  EXPECT_EQ(table.count(7), 0u);
}

TEST(StringTable, LoadStringWithoutAModuleFindsNothing) {
  wchar_t buf[8] = L"junk";
  EXPECT_EQ(LoadStringW(nullptr, 1, buf, 8), 0);
  EXPECT_EQ(buf[0], L'\0');
}

}  // namespace
