#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dialog_template.h"

namespace {

std::string ReadScript(const char* path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

const DialogTemplate* Find(const std::vector<DialogTemplate>& all, int id) {
  for (const DialogTemplate& d : all)
    if (d.id == id) return &d;
  return nullptr;
}

std::string ErrorOf(const std::string& script) {
  std::vector<DialogTemplate> out;
  std::string error;
  EXPECT_FALSE(ParseDialogTemplates(script.c_str(), out, error)) << script;
  return error;
}

TEST(DialogTemplates, ThePlugInsResourceScriptHoldsBothRollouts) {
  const std::string script = ReadScript(FW_RESOURCE_SCRIPT);
  ASSERT_FALSE(script.empty()) << FW_RESOURCE_SCRIPT;
  std::vector<DialogTemplate> all;
  std::string error;
  ASSERT_TRUE(ParseDialogTemplates(script.c_str(), all, error)) << error;
  ASSERT_EQ(all.size(), 2u);

  const DialogTemplate* params = Find(all, 101);
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(params->cx, 108);
  EXPECT_EQ(params->cy, 311);
  EXPECT_EQ(params->caption, L"Parameters");
  EXPECT_EQ(params->fontName, L"MS Sans Serif");
  EXPECT_EQ(params->fontSize, 8);
  // The ids of the rollout's control table, in template order.
  const std::vector<int> ids = {-1,   -1,   1001, -1,   1490, 1496, 1491, 1497, 1492, 1498, 1004, -1, 1002,
                                -1,   1005, 1006, 1007, 1008, -1,   1009, 1010, 1495, 1501, -1,   1011, 1502,
                                1503, -1,   -1,   1013, 1493, 1499, 1494, 1500, -1,   -1,   1014, 1012};
  ASSERT_EQ(params->controls.size(), 38u);
  std::vector<int> got;
  for (const DialogControlTemplate& c : params->controls) got.push_back(c.id);
  EXPECT_EQ(got, ids);

  const DialogControlTemplate& solve = params->controls[24];
  EXPECT_EQ(solve.caption, L"Solve Skin weights");
  EXPECT_EQ(solve.kind, ControlKind::PushButton);
  EXPECT_EQ((std::vector<int>{solve.x, solve.y, solve.cx, solve.cy}), (std::vector<int>{6, 288, 69, 14}));
  const DialogControlTemplate& strength = params->controls[0];
  EXPECT_EQ(strength.caption, L"Strength:");
  EXPECT_EQ(strength.kind, ControlKind::TextRight);
  EXPECT_EQ((std::vector<int>{strength.x, strength.y, strength.cx, strength.cy}), (std::vector<int>{4, 59, 51, 8}));
  EXPECT_EQ(params->controls[4].kind, ControlKind::CustEdit);
  EXPECT_EQ(params->controls[5].kind, ControlKind::Spinner);
  EXPECT_EQ(params->controls[10].kind, ControlKind::TextCenter);
  EXPECT_EQ(params->controls[10].caption, L"--NONE--");
  EXPECT_EQ(params->controls[11].kind, ControlKind::GroupBox);
  EXPECT_EQ(params->controls[11].caption, L"Undeformed state");
  EXPECT_EQ(params->controls[12].kind, ControlKind::CustButton);
  EXPECT_EQ(params->controls[12].windowClass, L"CustButton");
  EXPECT_EQ(params->controls[16].kind, ControlKind::CheckBox);
  EXPECT_EQ(params->controls[16].caption, L"Fixed boundary vertices");
  EXPECT_EQ(params->controls[29].caption, L"0.12345");
  const DialogControlTemplate& undo = params->controls[37];
  EXPECT_EQ((std::vector<int>{undo.x, undo.y, undo.cx, undo.cy}), (std::vector<int>{77, 288, 24, 14}));

  const DialogTemplate* about = Find(all, 102);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->cx, 108);
  EXPECT_EQ(about->cy, 35);
  ASSERT_EQ(about->controls.size(), 1u);
  const DialogControlTemplate& text = about->controls[0];
  EXPECT_EQ(text.id, 1004);
  EXPECT_EQ(text.kind, ControlKind::TextCenter);
  EXPECT_EQ((std::vector<int>{text.x, text.y, text.cx, text.cy}), (std::vector<int>{4, 5, 99, 24}));
  EXPECT_EQ(std::count(text.caption.begin(), text.caption.end(), L'\n'), 2) << "three lines";
  EXPECT_EQ(text.caption.substr(0, 9), L"Fernwick\n");
}

TEST(DialogTemplates, NamesStylesAndContinuedLines) {
  const char* script = R"(#define IDD_X 0x30
#define IDC_GO 7
STRINGTABLE
BEGIN
  1 "not a dialog, 2, 3"
END
IDD_X DIALOG 1, 2, 50, 40
STYLE DS_SETFONT | WS_CHILD
BEGIN
  CONTROL "Tick", 9, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 1, 2, 3, 4
  CONTROL "Frame", -1, "BUTTON", BS_GROUPBOX, 0, 0, 50, 40
  CONTROL "Right", IDC_STATIC, "Static", SS_RIGHT, 0, 0, 10, 8
  PUSHBUTTON "Go", IDC_GO,
             5, 6, 7, 8, WS_DISABLED | NOT WS_TABSTOP  // trailing comment
  EDITTEXT 11, 1, 1, 20, 10
  CONTROL "", 12, "ColorSwatch", 0, 1, 1, 8, 8
END
)";
  std::vector<DialogTemplate> all;
  std::string error;
  ASSERT_TRUE(ParseDialogTemplates(script, all, error)) << error;
  ASSERT_EQ(all.size(), 1u);
  const DialogTemplate& d = all[0];
  EXPECT_EQ(d.id, 0x30);
  EXPECT_EQ((std::vector<int>{d.x, d.y, d.cx, d.cy}), (std::vector<int>{1, 2, 50, 40}));
  ASSERT_EQ(d.controls.size(), 6u);
  EXPECT_EQ(d.controls[0].kind, ControlKind::CheckBox);
  EXPECT_EQ(d.controls[0].style, 0x3u | WS_TABSTOP);
  EXPECT_EQ(d.controls[1].kind, ControlKind::GroupBox) << "class names ignore case";
  EXPECT_EQ(d.controls[2].id, -1);
  EXPECT_EQ(d.controls[2].kind, ControlKind::TextRight);
  const DialogControlTemplate& go = d.controls[3];
  EXPECT_EQ(go.id, 7);
  EXPECT_EQ(go.caption, L"Go");
  EXPECT_EQ(go.y, 6);
  EXPECT_EQ(go.style, WS_DISABLED) << "the push button's tab stop is taken away";
  EXPECT_EQ(go.line, 13);
  EXPECT_EQ(d.controls[4].kind, ControlKind::Edit);
  EXPECT_EQ(d.controls[4].caption, L"");
  EXPECT_EQ(d.controls[5].kind, ControlKind::Other);
}

TEST(DialogTemplates, DamagedTemplatesSayWhereAndWhy) {
  const std::string head = "5 DIALOGEX 0, 0, 10, 10\nBEGIN\n";
  EXPECT_EQ(ErrorOf(head + "  PUSHBUTTON \"A\", 1, 2, 3, 4\nEND\n"),
            "line 3: dialog 5: PUSHBUTTON: needs text, id, x, y, width, height; got 5 values");
  EXPECT_EQ(ErrorOf(head + "  LTEXT \"A\", IDC_NOPE, 2, 3, 4, 5\nEND\n"),
            "line 3: dialog 5: LTEXT: id: 'IDC_NOPE' is not a number or a known name");
  EXPECT_EQ(ErrorOf(head + "  LTEXT \"A, 1, 2, 3, 4, 5\nEND\n"), "line 3: text without its closing quote");
  EXPECT_EQ(ErrorOf(head + "  LISTBOX 1, 2, 3, 4, 5\nEND\n"),
            "line 3: dialog 5: unknown control statement 'LISTBOX'");
  EXPECT_EQ(ErrorOf(head + "  LTEXT \"A\", 1, 2, 3, -4, 5\nEND\n"),
            "line 3: dialog 5: LTEXT: negative width or height");
  EXPECT_EQ(ErrorOf(head + "  LTEXT 1, 1, 2, 3, 4, 5\nEND\n"), "line 3: dialog 5: LTEXT: text must be one quoted text");
  EXPECT_EQ(ErrorOf(head + "  LTEXT \"A\", 1, 2, 3, 4, 5\n"), "line 1: dialog 5: no END");
  EXPECT_EQ(ErrorOf("5 DIALOGEX 0, 0, 10\nBEGIN\nEND\n"), "line 1: dialog 5: needs x, y, width, height [, help id]");
  EXPECT_EQ(ErrorOf("5 DIALOG 0, 0, 10, 10\nTITLE \"x\"\nBEGIN\nEND\n"),
            "line 2: dialog 5: unknown statement 'TITLE' before BEGIN");
  EXPECT_EQ(ErrorOf(head + "END\n" + head + "END\n"), "line 4: dialog 5 is defined twice");
  EXPECT_EQ(ErrorOf(head + "  LTEXT \"A\", 1, 2, 3, 4,\n"),
            "line 3: statement ends with ',' or '|' at the end of the script");

  // The dialogs before the damaged one are kept.
  std::vector<DialogTemplate> out;
  std::string error;
  EXPECT_FALSE(ParseDialogTemplates((head + "END\n6 DIALOG 0, 0, 1, 1\nBEGIN\n").c_str(), out, error));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].id, 5);
}

TEST(DialogTemplates, AModuleWithoutAScriptHasNoDialogs) {
  DialogTemplate d;
  std::string error;
  EXPECT_FALSE(LoadDialogTemplate(nullptr, 101, d, error));
  EXPECT_EQ(error, "the module has no resource script");
}

}  // namespace
