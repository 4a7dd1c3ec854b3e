#include <string>
#include <vector>

#include "class_desc.h"
#include "param_map.h"
#include "sdk_test_support.h"
#include "window.h"

namespace {

enum { kWeight = 0, kIter = 1, kShow = 3, kBound = 4 };

class BlockClassDesc : public ClassDesc2 {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL) override;
  const MCHAR* ClassName() override { return L"BlockMod"; }
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
  Class_ID ClassID() override { return Class_ID(0x7E57, 9); }
  const MCHAR* Category() override { return nullptr; }
};
BlockClassDesc blockDesc;

// Reads the block back while it is being set.
class ReadBack : public PBAccessor {
 public:
  void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int, TimeValue t) override {
    owners.push_back(owner);
    given.push_back(v.i);
    auto* mod = dynamic_cast<Modifier*>(owner);
    stored.push_back(mod ? mod->GetParamBlock(0)->GetInt(id, t) : -1);
  }
  std::vector<ReferenceMaker*> owners;
  std::vector<int> given, stored;
};
ReadBack readBack;

ParamBlockDesc2 paramsDesc(
    0, L"params", 0, &blockDesc, P_AUTO_CONSTRUCT | P_AUTO_UI, 0,  // reference 0
    101, 4, 0, 0, nullptr,                                          // dialog, title, test, rollout, proc
    kWeight, L"weight", TYPE_FLOAT, P_ANIMATABLE | P_RESET_DEFAULT, 5,
      p_default, 1.0f, p_range, 0.0f, 1.0f,
      p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, 1490, 1496, 0.01f, p_end,
    kIter, L"iter", TYPE_INT, P_ANIMATABLE | P_RESET_DEFAULT, 6,
      p_default, 1, p_range, 0, 1000,
      p_ui, TYPE_SPINNER, EDITTYPE_INT, 1491, 1497, 0.1f, p_end,
    kShow, L"showState", TYPE_BOOL, P_RESET_DEFAULT, 14,
      p_default, FALSE, p_ui, TYPE_CHECKBUTTON, 1002, p_accessor, &readBack, p_end,
    kBound, L"boundFixed", TYPE_BOOL, P_RESET_DEFAULT, 11,
      p_default, TRUE, p_ui, TYPE_SINGLECHEKBOX, 1007, p_accessor, &readBack, p_end,
    p_end);

ParamBlockDesc2 aboutDesc(1, L"about", 0, &blockDesc, P_CLASS_PARAMS | P_AUTO_UI,
                          102, 8, 0, APPENDROLL_CLOSED, nullptr, p_end);

class BlockMod : public Modifier {
 public:
  BlockMod() { blockDesc.MakeAutoParamBlocks(this); }
  void ModifyObject(TimeValue, ModContext&, ObjectState*, INode*) override {}
  Class_ID ClassID() override { return blockDesc.ClassID(); }
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) pblock = static_cast<IParamBlock2*>(r);
  }
  int NumParamBlocks() override { return 1; }
  IParamBlock2* GetParamBlock(int) override { return pblock; }
  IParamBlock2* GetParamBlockByID(BlockID id) override { return pblock && pblock->ID() == id ? pblock : nullptr; }
  RefResult NotifyRefChanged(Interval, RefTargetHandle h, PartID&, RefMessage m, BOOL) override {
    heard.push_back(m);
    from = h;
    return REF_SUCCEED;
  }
  void BeginEditParams(Interface* ip, ULONG flags, Animatable* prev) override {
    blockDesc.BeginEditParams(ip, this, flags, prev);
  }
  void EndEditParams(Interface* ip, ULONG flags, Animatable* next) override {
    blockDesc.EndEditParams(ip, this, flags, next);
  }
  IParamBlock2* pblock = nullptr;
  std::vector<RefMessage> heard;
  RefTargetHandle from = nullptr;
};

void* BlockClassDesc::Create(BOOL) { return new BlockMod; }

std::vector<std::string> procLog;

class LoggingProc : public ParamMap2UserDlgProc {
 public:
  explicit LoggingProc(std::string n) : name(std::move(n)) {}
  INT_PTR DlgProc(TimeValue, IParamMap2* map, HWND hWnd, UINT msg, WPARAM, LPARAM) override {
    if (msg == WM_INITDIALOG) procLog.push_back(name + " init " + (hWnd == map->GetHWnd() ? "own" : "other"));
    if (msg == WM_DESTROY) procLog.push_back(name + " destroy");
    return FALSE;
  }
  void SetThing(ReferenceTarget* m) override { thing = m; }
  void DeleteThis() override {
    procLog.push_back(name + " deleted");
    delete this;
  }
  std::string name;
  ReferenceTarget* thing = nullptr;
};

class ParamBlockTest : public SceneTest {
 protected:
  void TearDown() override {
    procLog.clear();
    readBack = ReadBack();
    SceneTest::TearDown();
  }
};

TEST(ParamBlockDesc, VarargsListYieldsTheParameterTable) {
  ASSERT_EQ(paramsDesc.ParseError(), "");
  EXPECT_EQ(paramsDesc.ref_no, 0);
  EXPECT_EQ(paramsDesc.dlg_template, 101);
  EXPECT_EQ(paramsDesc.title, 4);
  ASSERT_EQ(paramsDesc.Count(), 4);
  const ParamDef* w = paramsDesc.GetParamDef(kWeight);
  ASSERT_NE(w, nullptr);
  EXPECT_STREQ(w->int_name, L"weight");
  EXPECT_EQ(w->type, TYPE_FLOAT);
  EXPECT_EQ(w->flags, 0x21);
  EXPECT_EQ(w->local_name, 5);
  EXPECT_EQ(w->def.f, 1.0f);
  EXPECT_TRUE(w->has_range);
  EXPECT_EQ(w->range_low.f, 0.0f);
  EXPECT_EQ(w->range_high.f, 1.0f);
  EXPECT_EQ(w->ctrl_type, TYPE_SPINNER);
  EXPECT_EQ(w->edit_type, EDITTYPE_FLOAT);
  EXPECT_EQ(w->ctrl_IDs, (std::vector<int>{1490, 1496}));
  EXPECT_EQ(w->scale, 0.01f);
  EXPECT_EQ(w->accessor, nullptr);
  const ParamDef* it = paramsDesc.FindParamByName(L"iter");
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->ID, kIter);
  EXPECT_EQ(it->def.i, 1);
  EXPECT_EQ(it->range_high.i, 1000);
  EXPECT_EQ(it->edit_type, EDITTYPE_INT);
  EXPECT_EQ(it->scale, 0.1f);
  const ParamDef* show = paramsDesc.GetParamDef(kShow);
  EXPECT_EQ(show->ctrl_type, TYPE_CHECKBUTTON);
  EXPECT_EQ(show->ctrl_IDs, std::vector<int>{1002});
  EXPECT_EQ(show->accessor, &readBack);
  EXPECT_FALSE(show->has_range);
  const ParamDef* bound = paramsDesc.GetParamDef(kBound);
  EXPECT_EQ(bound->ctrl_type, 2);
  EXPECT_EQ(bound->def.i, TRUE);
  EXPECT_EQ(paramsDesc.IDtoIndex(kBound), 3);
  EXPECT_EQ(paramsDesc.GetParamDef(2), nullptr);

  EXPECT_EQ(aboutDesc.ParseError(), "");
  EXPECT_EQ(aboutDesc.Count(), 0);
  EXPECT_EQ(aboutDesc.ref_no, -1);
  EXPECT_EQ(aboutDesc.rollup_flags, APPENDROLL_CLOSED);
  EXPECT_EQ(blockDesc.NumParamBlockDescs(), 2);
  EXPECT_EQ(blockDesc.GetParamBlockDescByName(L"about"), &aboutDesc);
}

TEST_F(ParamBlockTest, NewBlocksStartAtTheDefaults) {
  auto* first = new BlockMod;
  first->pblock->SetValue(kIter, 0, 7);
  auto* second = static_cast<BlockMod*>(blockDesc.Create(FALSE));
  ASSERT_NE(second->pblock, nullptr);
  EXPECT_EQ(second->GetReference(0), second->pblock);
  EXPECT_EQ(second->pblock->GetOwner(), second);
  EXPECT_EQ(second->pblock->GetInt(kIter), 1);
  EXPECT_EQ(second->pblock->GetFloat(kWeight), 1.0f);
  EXPECT_EQ(second->pblock->GetInt(kShow), FALSE);
  EXPECT_EQ(second->pblock->GetInt(kBound), TRUE);
  EXPECT_EQ(second->pblock->GetParamIDByName(L"boundFixed"), kBound);
  first->DeleteMe();
  second->DeleteMe();
}

TEST_F(ParamBlockTest, SettingAValueStoresItCallsTheAccessorThenNotifiesTheOwner) {
  auto* mod = new BlockMod;
  mod->pblock->SetValue(kBound, 0, FALSE);
  ASSERT_EQ(readBack.stored.size(), 1u);
  EXPECT_EQ(readBack.given[0], FALSE);
  EXPECT_EQ(readBack.stored[0], FALSE) << "the block holds the new value when the accessor runs";
  EXPECT_EQ(readBack.owners[0], mod);
  ASSERT_EQ(mod->heard.size(), 1u);
  EXPECT_EQ(mod->heard[0], REFMSG_CHANGE);
  EXPECT_EQ(mod->from, mod->pblock);

  mod->pblock->SetValue(kIter, 0, 5000);  // code is not clamped
  EXPECT_EQ(mod->pblock->GetInt(kIter), 5000);
  EXPECT_EQ(readBack.stored.size(), 1u) << "iter has no accessor";
  mod->DeleteMe();

  IParamBlock2* loose = CreateParameterBlock2(&paramsDesc, nullptr);
  loose->SetValue(kShow, 0, TRUE);
  ASSERT_EQ(readBack.owners.size(), 2u);
  EXPECT_EQ(readBack.owners[1], nullptr);
  loose->DeleteMe();
}

TEST_F(ParamBlockTest, AnimatableParametersTakeKeysInAnimateMode) {
  auto* mod = new BlockMod;
  IParamBlock2* pb = mod->pblock;
  ip->SetAnimateMode(TRUE);
  pb->SetValue(kWeight, 1600, 0.0f);
  pb->SetValue(kIter, 1600, 4);
  pb->SetValue(kBound, 1600, FALSE);  // not animatable: one value
  ip->SetAnimateMode(FALSE);

  float w = 0;
  Interval valid = FOREVER;
  pb->GetValue(kWeight, 800, w, valid);
  EXPECT_FLOAT_EQ(w, 0.5f) << "halfway between 1.0 at 0 and 0.0 at 1600";
  EXPECT_EQ(valid, Interval(800, 800));
  EXPECT_EQ(pb->GetInt(kIter, 800), 3) << "2.5 rounds to 3";
  EXPECT_EQ(pb->GetInt(kIter, 400), 2) << "1.75 rounds to 2";
  EXPECT_EQ(pb->GetFloat(kWeight, 5000), 0.0f);
  EXPECT_EQ(pb->GetTrack(kWeight)->NumKeys(), 2);
  valid = FOREVER;
  int bound = 1;
  pb->GetValue(kBound, 0, bound, valid);
  EXPECT_EQ(bound, FALSE);
  EXPECT_EQ(valid, FOREVER);

  pb->SetValue(kWeight, 1600, 0.25f);  // animate off, key at that time: replaced
  EXPECT_FLOAT_EQ(pb->GetFloat(kWeight, 1600), 0.25f);
  EXPECT_FLOAT_EQ(pb->GetFloat(kWeight, 0), 1.0f);
  mod->DeleteMe();
}

TEST_F(ParamBlockTest, EditingOpensMapsThatOwnTheirDialogProcs) {
  auto* mod = new BlockMod;
  IDerivedObject* stack = CreateDerivedObject(OneVertexTri({0, 0, 0}));
  stack->AddModifier(mod);
  ip->CreateObjectNode(stack);
  paramsDesc.SetUserDlgProc(new LoggingProc("early"));
  ip->OpenModifyPanel(mod);
  IParamMap2* map = blockDesc.GetParamMap(&paramsDesc);
  ASSERT_NE(map, nullptr);
  IParamMap2* about = blockDesc.GetParamMap(&aboutDesc);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->GetRollupFlags(), APPENDROLL_CLOSED);
  EXPECT_NE(about->GetParamBlock(), mod->pblock) << "class parameters have their own block";
  EXPECT_EQ(map->GetParamBlock(), mod->pblock);
  EXPECT_TRUE(IsWindow(map->GetHWnd()));
  EXPECT_EQ(map->GetHWnd()->parent, ip->GetCommandPanelHWnd());
  EXPECT_EQ(map->GetTemplateError(), "dialog 101: the module has no resource script");
  EXPECT_TRUE(map->GetHWnd()->children.empty());
  auto* early = static_cast<LoggingProc*>(map->GetUserDlgProc());
  ASSERT_NE(early, nullptr);
  EXPECT_EQ(early->thing, mod);

  // A procedure registered while the map is open replaces the one it had.
  paramsDesc.SetUserDlgProc(new LoggingProc("late"));
  EXPECT_EQ(map->GetUserDlgProc()->DlgProc(0, map, map->GetHWnd(), 0, 0, 0), FALSE);

  // Typed into the rollout, values are clamped to the range.
  map->SetValueFromControl(kWeight, 0, 2.5f);
  EXPECT_EQ(mod->pblock->GetFloat(kWeight), 1.0f);
  map->SetValueFromControl(kIter, 0, -3);
  EXPECT_EQ(mod->pblock->GetInt(kIter), 0);

  HWND hWnd = map->GetHWnd();
  ip->CloseModifyPanel();
  EXPECT_FALSE(IsWindow(hWnd));
  EXPECT_EQ(blockDesc.GetParamMap(&paramsDesc), nullptr);
  EXPECT_EQ(paramsDesc.GetUserDlgProc(), nullptr);
  EXPECT_EQ(procLog, (std::vector<std::string>{"early init own", "early destroy", "early deleted",
                                                "late init own", "late destroy", "late deleted"}));
}

TEST_F(ParamBlockTest, ClonedBlocksAreIndependent) {
  auto* mod = new BlockMod;
  mod->pblock->SetValue(kIter, 0, 9);
  RemapDir remap;
  auto* copy = static_cast<IParamBlock2*>(remap.CloneRef(mod->pblock));
  EXPECT_EQ(copy->GetInt(kIter), 9);
  copy->SetValue(kIter, 0, 2);
  EXPECT_EQ(mod->pblock->GetInt(kIter), 9);
  auto* other = new BlockMod;
  other->ReplaceReference(0, copy, TRUE);
  EXPECT_EQ(copy->GetOwner(), other);
  mod->DeleteMe();
  other->DeleteMe();
}

}  // namespace
