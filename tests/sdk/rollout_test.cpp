#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "class_desc.h"
#include "custom_controls.h"
#include "param_map.h"
#include "plugin_manager.h"
#include "rollout.h"
#include "rollout_snapshot.h"
#include "sdk_test_support.h"
#include "tests/support/temp_dir.h"
#include "window.h"

namespace {

constexpr Class_ID kKnobsClass(0x5A3B1E, 0x78);
enum { kStrength = 0, kLimit = 1, kPasses = 2, kKeep = 3, kShow = 4 };

struct Command {
  unsigned id, code;
  bool ownWindow;
};

// Records what the rollout's procedure is sent.
class RecordingProc : public ParamMap2UserDlgProc {
 public:
  explicit RecordingProc(std::vector<Command>* log) : log_(log) {}
  INT_PTR DlgProc(TimeValue, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_COMMAND) log_->push_back({LOWORD(wParam), HIWORD(wParam), hWnd == map->GetHWnd() && lParam == 0});
    return FALSE;
  }
  void DeleteThis() override { delete this; }

 private:
  std::vector<Command>* log_;
};

class RolloutTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    std::string error;
    dll = LoadPlugin(FW_ROLLOUT_PLUGIN, &error);
    ASSERT_NE(dll, nullptr) << error;
    cd = static_cast<ClassDesc2*>(dll->GetClassDesc(0));
    mod = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, kKnobsClass));
    IDerivedObject* stack = CreateDerivedObject(OneVertexTri({0, 0, 0}));
    stack->AddModifier(mod);
    ip->CreateObjectNode(stack);
    ip->OpenModifyPanel(mod);
    params = cd->GetParamBlockDescByName(L"params");
    params->SetUserDlgProc(new RecordingProc(&commands));
    rollout = GetRolloutWindow(cd, params);
    ASSERT_NE(rollout, nullptr);
    pb = mod->GetParamBlock(0);
  }
  void TearDown() override {
    ip->ResetScene();
    if (dll) UnloadPlugin(dll);
    SceneTest::TearDown();
  }

  std::wstring Text(int id) { return GetWindowTextString(GetDlgItem(rollout, id)); }

  DllDesc* dll = nullptr;
  ClassDesc2* cd = nullptr;
  Modifier* mod = nullptr;
  ParamBlockDesc2* params = nullptr;
  HWND rollout = nullptr;
  IParamBlock2* pb = nullptr;
  std::vector<Command> commands;
};

TEST_F(RolloutTest, OpeningMakesTheTemplatesControlsInOrder) {
  IParamMap2* map = GetRolloutMap(rollout);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->GetTemplateError(), "");
  EXPECT_EQ(rollout->cx, 100);
  EXPECT_EQ(rollout->cy, 90);

  struct Expect {
    int id;
    ControlKind kind;
    const wchar_t* cls;
    const wchar_t* caption;
    int x, y, cx, cy;
  };
  const Expect want[] = {
      {-1, ControlKind::GroupBox, L"Button", L"Knobs", 2, 2, 96, 60},
      {-1, ControlKind::TextRight, L"Static", L"Strength:", 4, 12, 40, 8},
      {1200, ControlKind::CustEdit, L"CustEdit", L"0.500", 46, 11, 30, 10},
      {1210, ControlKind::Spinner, L"SpinnerControl", L"", 77, 11, 7, 10},
      {-1, ControlKind::TextRight, L"Static", L"Limit:", 4, 24, 40, 8},
      {1201, ControlKind::CustEdit, L"CustEdit", L"5", 46, 23, 30, 10},
      {1211, ControlKind::Spinner, L"SpinnerControl", L"", 77, 23, 7, 10},
      {-1, ControlKind::TextRight, L"Static", L"Passes:", 4, 36, 40, 8},
      {1202, ControlKind::CustEdit, L"CustEdit", L"12", 46, 35, 30, 10},
      {1212, ControlKind::Spinner, L"SpinnerControl", L"", 77, 35, 7, 10},
      {1300, ControlKind::CheckBox, L"Button", L"Keep edges", 6, 48, 80, 10},
      {1301, ControlKind::CustButton, L"CustButton", L"Show", 6, 64, 30, 12},
      {1400, ControlKind::PushButton, L"Button", L"Run", 40, 64, 30, 12},
      {1401, ControlKind::PushButton, L"Button", L"Later", 72, 64, 26, 12},
      {1402, ControlKind::TextCenter, L"Static", L"--", 4, 78, 92, 8},
  };
  ASSERT_EQ(rollout->children.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    HWND c = rollout->children[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(c->id, want[i].id);
    EXPECT_EQ(c->kind, want[i].kind);
    EXPECT_EQ(c->className, want[i].cls);
    EXPECT_EQ(GetWindowTextString(c), want[i].caption);
    EXPECT_EQ((std::vector<int>{c->x, c->y, c->cx, c->cy}),
              (std::vector<int>{want[i].x, want[i].y, want[i].cx, want[i].cy}));
    EXPECT_EQ(IsWindowEnabled(c), want[i].id != 1401) << "only the template's WS_DISABLED button starts disabled";
  }
  EXPECT_EQ(GetDlgItem(rollout, 1201), rollout->children[5]);
  EXPECT_EQ(GetDlgItem(rollout, 9999), nullptr);

  // The panel lists the parameters, then the class's collapsed "Info".
  const std::vector<RolloutInfo> open = GetOpenRollouts();
  ASSERT_EQ(open.size(), 2u);
  EXPECT_EQ(open[0].hWnd, rollout);
  EXPECT_EQ(open[0].title, L"Settings");
  EXPECT_TRUE(open[0].open);
  EXPECT_EQ(open[1].title, L"Info");
  EXPECT_FALSE(open[1].open);
  EXPECT_EQ(FindOpenRollout(L"Info"), open[1].hWnd);
  EXPECT_EQ(FindOpenRollout(L"Nope"), nullptr);
  EXPECT_EQ(GetWindowTextString(GetDlgItem(open[1].hWnd, 1500)), L"Knobs\nfor <tests> & more");

  ip->CloseModifyPanel();
  EXPECT_TRUE(GetOpenRollouts().empty());
  EXPECT_FALSE(PressButton(rollout, 1400)) << "a closed rollout takes no clicks";
}

TEST_F(RolloutTest, BoundControlsFollowTheBlock) {
  EXPECT_EQ(IsDlgButtonChecked(rollout, 1300), BST_CHECKED);
  ICustButton* show = GetICustButton(GetDlgItem(rollout, 1301));
  ASSERT_NE(show, nullptr);
  EXPECT_TRUE(show->IsCheckButton());
  EXPECT_FALSE(show->IsChecked());

  pb->SetValue(kLimit, 0, 42);
  pb->SetValue(kStrength, 0, 0.25f);
  pb->SetValue(kShow, 0, TRUE);
  EXPECT_EQ(Text(1201), L"42");
  EXPECT_EQ(Text(1200), L"0.250");
  EXPECT_TRUE(show->IsChecked());
  ReleaseICustButton(show);

  // Keys: the edit shows the value at the current time.
  ip->SetAnimateMode(TRUE);
  pb->SetValue(kStrength, 0, 0.0f);
  pb->SetValue(kStrength, 1000, 1.0f);
  ip->SetAnimateMode(FALSE);
  ip->SetTime(250);
  EXPECT_EQ(Text(1200), L"0.250");
  ip->SetTime(1000);
  EXPECT_EQ(Text(1200), L"1.000");
  ip->SetTime(0);
}

TEST_F(RolloutTest, TypedValuesAreRoundedAndClampedToTheRange) {
  EXPECT_TRUE(EnterValue(rollout, 1201, 0));
  EXPECT_EQ(pb->GetInt(kLimit), 1) << "range 1 to 100";
  EXPECT_EQ(Text(1201), L"1");
  EXPECT_TRUE(EnterValue(rollout, 1212, 20)) << "through the spinner";
  EXPECT_EQ(pb->GetInt(kPasses), 15) << "range 1 to 15";
  EXPECT_EQ(Text(1202), L"15");
  EXPECT_TRUE(EnterValue(rollout, 1200, 2.5));
  EXPECT_FLOAT_EQ(pb->GetFloat(kStrength), 1.0f);
  EXPECT_EQ(Text(1200), L"1.000");
  EXPECT_TRUE(EnterValue(rollout, 1200, 0.1236));
  EXPECT_EQ(Text(1200), L"0.124");
  EXPECT_TRUE(EnterValue(rollout, 1201, 7.5));
  EXPECT_EQ(pb->GetInt(kLimit), 8) << "integer fields round half away from zero";
  EXPECT_TRUE(EnterValue(rollout, 1201, 1e12));
  EXPECT_EQ(pb->GetInt(kLimit), 100);

  EXPECT_FALSE(EnterValue(rollout, 1200, std::nan("")));
  EXPECT_FALSE(EnterValue(rollout, 1300, 1)) << "a check box takes no typing";
  EXPECT_FALSE(EnterValue(rollout, 1402, 1));
  EXPECT_FALSE(EnterValue(rollout, 4242, 1));
  EXPECT_FALSE(EnterValue(nullptr, 1200, 1));
  EXPECT_TRUE(commands.empty()) << "typing sends no commands";
}

TEST_F(RolloutTest, PressesToggleBoundButtonsAndReachTheProcedure) {
  EXPECT_TRUE(PressButton(rollout, 1300));
  EXPECT_EQ(pb->GetInt(kKeep), FALSE);
  EXPECT_EQ(IsDlgButtonChecked(rollout, 1300), BST_UNCHECKED);
  EXPECT_TRUE(PressButton(rollout, 1301));
  EXPECT_EQ(pb->GetInt(kShow), TRUE);
  EXPECT_TRUE(PressButton(rollout, 1400));
  EXPECT_TRUE(PressButton(rollout, 1300));
  EXPECT_EQ(pb->GetInt(kKeep), TRUE);
  ASSERT_EQ(commands.size(), 4u);
  const unsigned ids[] = {1300, 1301, 1400, 1300};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(commands[i].id, ids[i]);
    EXPECT_EQ(commands[i].code, BN_CLICKED);
    EXPECT_TRUE(commands[i].ownWindow);
  }
  EXPECT_FALSE(PressButton(rollout, 1402)) << "a label is no button";
  EXPECT_FALSE(PressButton(rollout, 1200));
  EXPECT_FALSE(PressButton(rollout, 4242));
  EXPECT_EQ(commands.size(), 4u);
}

TEST_F(RolloutTest, DisabledControlsKeepTheirStateAndIgnoreActions) {
  EXPECT_FALSE(PressButton(rollout, 1401)) << "disabled in the template";
  HWND run = GetDlgItem(rollout, 1400);
  EXPECT_FALSE(EnableWindow(run, FALSE)) << "was enabled";
  EXPECT_TRUE(EnableWindow(run, FALSE)) << "was disabled";
  EXPECT_FALSE(IsWindowEnabled(run));
  EXPECT_FALSE(PressButton(rollout, 1400));

  ICustButton* show = GetICustButton(GetDlgItem(rollout, 1301));
  ASSERT_NE(show, nullptr);
  show->Disable();
  EXPECT_FALSE(show->IsEnabled());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(rollout, 1301)));
  EXPECT_FALSE(PressButton(rollout, 1301));
  EXPECT_EQ(pb->GetInt(kShow), FALSE);
  show->Enable();
  EXPECT_TRUE(PressButton(rollout, 1301));
  EXPECT_EQ(pb->GetInt(kShow), TRUE);
  show->SetText(L"Shown");
  EXPECT_EQ(Text(1301), L"Shown");
  ReleaseICustButton(show);
  EXPECT_EQ(GetICustButton(run), nullptr) << "a plain push button";
  EXPECT_EQ(GetICustButton(nullptr), nullptr);

  GetRolloutMap(rollout)->Enable(kLimit, FALSE);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(rollout, 1211)));
  EXPECT_FALSE(EnterValue(rollout, 1201, 50));
  EXPECT_EQ(pb->GetInt(kLimit), 5);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 1301u);

  EXPECT_TRUE(SetDlgItemTextW(rollout, 1402, L"OK, V: 482"));
  wchar_t small[6];
  EXPECT_EQ(GetDlgItemTextW(rollout, 1402, small, 6), 5u);
  EXPECT_STREQ(small, L"OK, V");
  EXPECT_FALSE(SetDlgItemTextW(rollout, 4242, L"x"));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(RolloutTest, SnapshotsDrawTheRolloutsWithTheirStates) {
  EnableWindow(GetDlgItem(rollout, 1400), FALSE);
  pb->SetValue(kLimit, 0, 64);
  const TempDir scratch;
  const std::string dir = scratch.path.string();
  const std::string path = dir + "/fw_rollout_snapshot.svg";
  std::string error;
  ASSERT_TRUE(WriteCommandPanelSnapshot(path, error)) << error;
  const std::string svg = ReadFile(path);
  std::remove(path.c_str());
  ASSERT_EQ(svg.rfind("<svg", 0), 0u);
  // 100 units wide at 2 px; "Settings" bar 20 + body 180, gap 6, "Info" bar 20.
  EXPECT_NE(svg.find("width=\"200\" height=\"226\""), std::string::npos) << svg;
  for (const char* s : {">Settings<", ">Strength:<", ">Keep edges<", ">0.500<", ">64<", ">Later<"})
    EXPECT_NE(svg.find(s), std::string::npos) << s;
  // The group box frame starts 4 units below its top: y = 20 + 2*2 + 4*2.
  EXPECT_NE(svg.find("<rect x=\"4\" y=\"32\" width=\"192\" height=\"112\""), std::string::npos);
  EXPECT_NE(svg.find("class=\"ctl pushbutton disabled\" data-id=\"1401\""), std::string::npos);
  EXPECT_NE(svg.find("class=\"ctl pushbutton disabled\" data-id=\"1400\""), std::string::npos);
  EXPECT_NE(svg.find("class=\"ctl checkbox checked\" data-id=\"1300\""), std::string::npos);
  EXPECT_NE(svg.find("class=\"ctl custbutton\" data-id=\"1301\""), std::string::npos);
  EXPECT_NE(svg.find("class=\"rollout collapsed\" data-title=\"Info\""), std::string::npos);
  EXPECT_EQ(svg.find("&amp; more"), std::string::npos) << "a collapsed body is not drawn";

  GetRolloutMap(FindOpenRollout(L"Info"))->SetRollupOpen(true);
  const std::string page = dir + "/fw_rollout_snapshot.html";
  ASSERT_TRUE(WriteRolloutSnapshot(FindOpenRollout(L"Info"), page, error)) << error;
  const std::string html = ReadFile(page);
  std::remove(page.c_str());
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find(">Knobs<"), std::string::npos);
  EXPECT_NE(html.find(">for &lt;tests&gt; &amp; more<"), std::string::npos) << "second line, escaped";

  EXPECT_FALSE(WriteRolloutSnapshot(rollout, "/no/such/dir/x.svg", error));
  EXPECT_NE(error.find("/no/such/dir/x.svg"), std::string::npos) << error;
  EXPECT_FALSE(WriteRolloutSnapshot(ip->GetCommandPanelHWnd(), path, error));
  EXPECT_EQ(error, "not an open rollout");
}

TEST_F(RolloutTest, AFailedWriteLeavesNothingBehind) {
  // The target is a directory: the temporary file is written, the rename fails.
  const TempDir scratch;
  const std::string dir = scratch.path.string();
  const std::string target = dir + "/panel.svg";
  ::mkdir(target.c_str(), 0755);
  std::string error;
  EXPECT_FALSE(WriteCommandPanelSnapshot(target, error));
  EXPECT_EQ(error.rfind("cannot rename", 0), 0u) << error;
  std::vector<std::string> left;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') left.push_back(e->d_name);
    ::closedir(d);
  }
  EXPECT_EQ(left, std::vector<std::string>{"panel.svg"}) << "no temporary file is left";
}

}  // namespace
