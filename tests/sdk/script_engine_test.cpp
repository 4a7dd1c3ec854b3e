// The script engine's language and error handling, on small scripts.
#include <string>

#include "script_test_support.h"

namespace {

using namespace script_test;

class ScriptEngineTest : public ScriptTest {};

TEST_F(ScriptEngineTest, SyntaxErrorsReportTheirLineAndRunNothing) {
  struct Case {
    const wchar_t* script;
    int line;
  };
  const Case cases[] = {
      {L"sliderTime = 5\nif true then\n)", 3},           // stray bracket
      {L"sliderTime = 5\nx = \"open\n\nend", 2},         // string never closed
      {L"sliderTime = 5\n-- (\n( x = 1\ny = 2", 4},      // missing ')' at the end
      {L"sliderTime = 5\n/* a\nb */ for i in do x", 3},  // nothing to loop over
      {L"sliderTime = 5\n3 = x", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "script line " << c.line);
    ClearMessageBoxLog();
    terminal.str("");
    EXPECT_EQ(ExecuteScript(c.script, FALSE, nullptr, TRUE), 0);
    EXPECT_TRUE(LastScriptError().syntax);
    EXPECT_EQ(LastScriptError().line, c.line) << std::string(LastScriptError().message.begin(),
                                                             LastScriptError().message.end());
    EXPECT_EQ(ip->GetTime(), 0) << "a script with a syntax error does not start";
    ASSERT_EQ(MessageBoxLog().size(), 1u);
    EXPECT_NE(MessageBoxLog()[0].text.find(L"line " + std::to_wstring(c.line)), std::wstring::npos);
    EXPECT_NE(terminal.str().find("line " + std::to_string(c.line)), std::string::npos);
  }
}

TEST_F(ScriptEngineTest, EveryRunIsLoggedAsItWasHandedOver) {
  ClearScriptRunLog();
  int result = 0;
  EXPECT_EQ(ExecuteScript(L"sliderTime = 2", FALSE, nullptr, TRUE), 1);
  EXPECT_EQ(ExecuteScript(L"x = (", TRUE, &result, FALSE), 0);
  const std::vector<ScriptRunRecord>& log = ScriptRunLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].text, L"sliderTime = 2");
  EXPECT_FALSE(log[0].quietErrors);
  EXPECT_FALSE(log[0].resultGiven);
  EXPECT_TRUE(log[0].logQuietErrors);
  EXPECT_EQ(log[0].returned, 1);
  EXPECT_EQ(log[1].text, L"x = (");
  EXPECT_TRUE(log[1].quietErrors);
  EXPECT_TRUE(log[1].resultGiven);
  EXPECT_FALSE(log[1].logQuietErrors);
  EXPECT_EQ(log[1].returned, 0);
  ClearScriptRunLog();
  EXPECT_TRUE(ScriptRunLog().empty());
}

TEST_F(ScriptEngineTest, DeepNestingIsRefusedNotFollowedDown) {
  const std::wstring deep = L"x = 1\n" + std::wstring(5000, L'(') + L"1" + std::wstring(5000, L')');
  EXPECT_EQ(ExecuteScript(deep.c_str(), TRUE, nullptr, FALSE), 0);
  EXPECT_EQ(LastScriptError().line, 2);
  EXPECT_NE(LastScriptError().message.find(L"nested"), std::wstring::npos);
}

TEST_F(ScriptEngineTest, RunawayLoopsStopAtTheStepLimit) {
  const long long previous = SetScriptStepBudget(10000);
  const wchar_t* endless = L"n = 0\nfor i = 1 to 1e15 do n += 1";
  EXPECT_EQ(ExecuteScript(endless, TRUE, nullptr, FALSE), 0);
  EXPECT_FALSE(LastScriptError().syntax);
  EXPECT_EQ(LastScriptError().line, 2);
  EXPECT_NE(LastScriptError().message.find(L"limit"), std::wstring::npos);
  // The budget is per run: a short script after it runs to its end.
  EXPECT_EQ(ExecuteScript(L"for i = 1 to 100 do x = i", TRUE, nullptr, FALSE), 1);
  EXPECT_EQ(SetScriptStepBudget(previous), 10000);
}

TEST_F(ScriptEngineTest, RunTimeErrorsStopTheScriptAndKeepWhatWasDone) {
  INode* box = NodeWith(L"Box1", {});
  const wchar_t* script =
      L"sliderTime = 7\n"
      L"select $box1\n"
      L"x = $Box1.nosuch\n"
      L"sliderTime = 9";
  EXPECT_EQ(ExecuteScript(script, FALSE, nullptr, TRUE), 0);
  EXPECT_FALSE(LastScriptError().syntax);
  EXPECT_EQ(LastScriptError().line, 3);
  EXPECT_NE(LastScriptError().message.find(L"nosuch"), std::wstring::npos);
  EXPECT_EQ(ip->GetTime(), Frames(7));
  ASSERT_EQ(ip->GetSelNodeCount(), 1);
  EXPECT_EQ(ip->GetSelNode(0), box);
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].caption, L"Script Error");

  // A later clean run clears the error.
  EXPECT_EQ(ExecuteScript(L"sliderTime = 1", FALSE, nullptr, TRUE), 1);
  EXPECT_EQ(LastScriptError().line, 0);
  EXPECT_EQ(ip->GetTime(), Frames(1));
}

TEST_F(ScriptEngineTest, RunTimeFaultsOfEachKindNameTheirLine) {
  struct Case {
    const wchar_t* script;
    int line;
  };
  const Case cases[] = {
      {L"a = #(10, 20, 30)\nsliderTime = a[2]\nx = a[4]", 3},  // index past the end
      {L"x = 1\nif x then x = 2", 2},                          // not a boolean
      {L"x = 1 / 0", 1},
      {L"x = \"a\" + 1", 1},
      {L"sliderTime = 3\nrotate $nobody (angleaxis 1 [0,0,1])", 2},
      {L"x = 2\nselection = x", 2},  // host names are read-only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "script line " << c.line);
    EXPECT_EQ(ExecuteScript(c.script, TRUE, nullptr, FALSE), 0);
    EXPECT_FALSE(LastScriptError().syntax);
    EXPECT_EQ(LastScriptError().line, c.line);
  }
  EXPECT_TRUE(MessageBoxLog().empty());
  EXPECT_TRUE(terminal.str().empty());
  EXPECT_EQ(ip->GetTime(), Frames(3)) << "earlier statements ran";
}

TEST_F(ScriptEngineTest, NamesAreCaseInsensitive) {
  auto* m = new MushMod;
  INode* n = NodeWith(L"Body", {m});
  ip->OpenModifyPanel(m);
  ip->SelectNode(n);
  const wchar_t* script =
      L"OBJ = $\n"
      L"FOR M In Obj.Modifiers DO IF (ClassOf M AS STRING == \"Fernwick\") THEN M.Enabled = FALSE\n"
      L"CurMod = ModPanel.GetCurrentObject()\n"
      L"CURMOD.STARTFRAME = 12\n"
      L"curmod.EndFrame = curMod.startFrame + 22\n"
      L"curmod.WEIGHT = 0.5\n"
      L"SliderTime = (INTERVAL 3 4).END";
  ASSERT_EQ(ExecuteScript(script, FALSE, nullptr, TRUE), 1) << terminal.str();
  EXPECT_FALSE(m->IsEnabled());
  EXPECT_EQ(m->pblock->GetInt(kStartFrame), 12);
  EXPECT_EQ(m->pblock->GetInt(kEndFrame), 34);
  EXPECT_FLOAT_EQ(m->pblock->GetFloat(kWeight), 0.5f);
  EXPECT_EQ(ip->GetTime(), Frames(4));
  // Text comparison itself keeps case.
  ASSERT_EQ(ExecuteScript(L"if (\"Fernwick\" == \"fernwick\") then sliderTime = 99", FALSE, nullptr, TRUE), 1);
  EXPECT_EQ(ip->GetTime(), Frames(4));
}

TEST_F(ScriptEngineTest, TimesNumbersAndIntervalsCombine) {
  // 5f + 3*2 frames = 11f; 11f lies between 10f and 12 frames.
  const wchar_t* script =
      L"sliderTime = 5f\n"
      L"t = sliderTime + 3 * 2\n"
      L"if t > 10f and t < 12 then sliderTime = t else sliderTime = 0\n"
      L"r = interval (t - 11) (2 * t)  -- 0f to 22f\n"
      L"animationRange = r\n"
      L"n = 7 / 2; f = 7 / 2.0\n"
      L"if n == 3 and f == 3.5 and not (f < 3) then sliderTime += 1\n"
      L"sliderTime -= 1f / 2";
  ASSERT_EQ(ExecuteScript(script, FALSE, nullptr, TRUE), 1) << terminal.str();
  EXPECT_EQ(ip->GetAnimRange(), Interval(0, Frames(22)));
  // 11f + 1 frame - half a frame.
  EXPECT_EQ(ip->GetTime(), Frames(12) - GetTicksPerFrame() / 2);
}

TEST_F(ScriptEngineTest, LoopsBlocksArraysAndStrings) {
  const wchar_t* script =
      L"total = 0\n"
      L"for v in #(1, 2, 3) do (total += v; total *= 2)\n"  // ((2)+2)*2 +3)*2 = 22
      L"for i = 10 to 1 by -3 do total += i\n"               // 10 7 4 1
      L"a = #()\n"
      L"a[3] = \"c\"\n"
      L"if a.count == 3 and a[1] == undefined then total += 100\n"
      L"messageBox (\"say \\\"hi\\\"\\n\" + (total as string)) title:\"Sum\"\n"
      L"messageBox \"plain\"";
  ASSERT_EQ(ExecuteScript(script, FALSE, nullptr, TRUE), 1) << terminal.str();
  ASSERT_EQ(MessageBoxLog().size(), 2u);
  EXPECT_EQ(MessageBoxLog()[0].text, L"say \"hi\"\n144");
  EXPECT_EQ(MessageBoxLog()[0].caption, L"Sum");
  EXPECT_EQ(MessageBoxLog()[1].text, L"plain");
  EXPECT_EQ(MessageBoxLog()[1].caption, L"Script");
}

TEST_F(ScriptEngineTest, RotateComposesInTheContextsCoordinateSystem) {
  // Both nodes turned 90 degrees about world x: local z is world -y.
  INode* a = NodeWith(L"a", {});
  INode* b = NodeWith(L"b", {});
  INode* c = NodeWith(L"c", {});
  for (INode* n : {a, b, c}) n->RotationTrack().SetValue(QFromAngAxis(1.5707963f, {1, 0, 0}));
  b->PositionTrack().SetValue({0, 0, 5});
  const wchar_t* script =
      L"in coordsys local rotate $a (angleaxis 90 [0,0,1])\n"
      L"rotate $b (angleaxis 90 [0,0,1])\n"
      L"sliderTime = 2\n"
      L"animate on (at time 4 rotate $c (angleaxis 90 [0,0,1]); x = undefined.oops)";
  EXPECT_EQ(ExecuteScript(script, TRUE, nullptr, FALSE), 0);
  EXPECT_EQ(LastScriptError().line, 4);
  EXPECT_FALSE(ip->GetAnimateMode()) << "animate mode is restored after an error too";
  const float e = 1e-5f;
  // Local: about world -y, x goes to (0,0,1). World: about z, x goes to (0,1,0).
  EXPECT_P3_NEAR(a->GetNodeTM(0).GetRow(0), Point3(0, 0, 1), e);
  EXPECT_P3_NEAR(b->GetNodeTM(0).GetRow(0), Point3(0, 1, 0), e);
  EXPECT_P3_NEAR(b->GetNodeTM(0).GetTrans(), Point3(0, 0, 5), e);  // turns about its pivot
  EXPECT_FALSE(a->RotationTrack().IsAnimated());
  // c keyed at frame 4 of the context's time, not the slider's 2, with the
  // rest pose kept at 0.
  ASSERT_EQ(c->RotationTrack().NumKeys(), 2);
  EXPECT_EQ(c->RotationTrack().GetKey(1).time, Frames(4));
  EXPECT_P3_NEAR(c->GetNodeTM(Frames(4)).GetRow(0), Point3(0, 1, 0), e);
  EXPECT_P3_NEAR(c->GetNodeTM(0).GetRow(0), Point3(1, 0, 0), e);
}

TEST_F(ScriptEngineTest, AddModifierWrapsAPlainObjectAndCopiesNotAddedAreDropped) {
  auto* m = new MushMod;
  INode* source = NodeWith(L"source", {m});
  INode* plain = NodeWith(L"plain", {});
  Object* base = plain->GetObjectRef();
  ip->OpenModifyPanel(m);
  ip->SelectNode(plain);
  const wchar_t* script =
      L"spare = copy (modPanel.getCurrentObject())\n"
      L"addModifier $ (copy spare)\n"
      L"$.modifiers[1].name = \"second\"\n"
      L"if (classof $.modifiers[1] as string == \"Fernwick\") then select $source";
  ASSERT_EQ(ExecuteScript(script, FALSE, nullptr, TRUE), 1) << terminal.str();
  ASSERT_EQ(plain->GetObjectRef()->SuperClassID(), GEN_DERIVOB_CLASS_ID);
  auto* d = static_cast<IDerivedObject*>(plain->GetObjectRef());
  EXPECT_EQ(d->GetObjRef(), base);
  ASSERT_EQ(d->NumModifiers(), 1);
  EXPECT_EQ(d->GetModifier(0)->GetName(), L"second");
  EXPECT_EQ(ip->GetSelNode(0), source);
  EXPECT_EQ(MushMod::alive, 2) << "the spare copy went with the script";
}

}  // namespace
