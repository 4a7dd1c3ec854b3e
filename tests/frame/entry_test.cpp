#include <dlfcn.h>

#include "plugin_fixture.h"

namespace {

using ClassDescFn = ClassDesc* (*)(int);

TEST_F(PluginTest, ExportsDescribeOneClass) {
  EXPECT_EQ(dll->GetDescription(), L"DeltaMush deformer with solving skin weights feature");
  EXPECT_EQ(dll->GetVersion(), 0x55F03700u);
  ASSERT_EQ(dll->NumClasses(), 1);
  auto libClassDesc = reinterpret_cast<ClassDescFn>(dlsym(dll->GetHandle(), "LibClassDesc"));
  ASSERT_NE(libClassDesc, nullptr);
  EXPECT_EQ(libClassDesc(0), libClassDesc(0));
  EXPECT_EQ(libClassDesc(1), nullptr);
  EXPECT_EQ(libClassDesc(-1), nullptr);

  EXPECT_TRUE(desc->IsPublic());
  EXPECT_STREQ(desc->ClassName(), L"Fernwick");
  EXPECT_STREQ(desc->InternalName(), L"Fernwick");
  EXPECT_EQ(desc->Category(), nullptr);
  EXPECT_EQ(desc->SuperClassID(), OSM_CLASS_ID);
  EXPECT_EQ(desc->ClassID(), kFernwickId);
  EXPECT_EQ(FindClassDescByName(L"Fernwick"), desc);
  EXPECT_EQ(desc->GetRsrcString(5), std::wstring(L"Spin"));
  EXPECT_EQ(desc->GetRsrcString(6), nullptr);
}

TEST_F(PluginTest, BlocksAreDescribedAsTheHostExpects) {
  ASSERT_EQ(desc->NumParamBlockDescs(), 2);
  ParamBlockDesc2* params = desc->GetParamBlockDesc(0);
  ParamBlockDesc2* about = desc->GetParamBlockDesc(1);
  EXPECT_TRUE(params->ParseError().empty()) << params->ParseError();
  EXPECT_TRUE(about->ParseError().empty()) << about->ParseError();
  EXPECT_STREQ(params->int_name, L"params");
  EXPECT_EQ(params->flags, P_AUTO_CONSTRUCT | P_AUTO_UI);
  EXPECT_EQ(params->dlg_template, 101);
  EXPECT_EQ(params->title, 4);
  EXPECT_STREQ(about->int_name, L"about");
  EXPECT_EQ(about->flags, P_CLASS_PARAMS | P_AUTO_UI);
  EXPECT_EQ(about->dlg_template, 102);
  EXPECT_EQ(about->rollup_flags, APPENDROLL_CLOSED);
  EXPECT_EQ(about->Count(), 0);

  struct Row {
    const wchar_t* name;
    ParamType2 type;
    int flags;
    double low, high;
    std::vector<int> controls;
    bool accessor;
  };
  const Row rows[] = {
      {L"weight", TYPE_FLOAT, 0x21, 0, 1, {1490, 1496}, false},
      {L"iter", TYPE_INT, 0x21, 0, 1000, {1491, 1497}, false},
      {L"displace", TYPE_FLOAT, 0x21, 0, 1, {1492, 1498}, false},
      {L"showState", TYPE_BOOL, 0x20, 0, 0, {1002}, true},
      {L"boundFixed", TYPE_BOOL, 0x20, 0, 0, {1007}, true},
      {L"vertSel", TYPE_BOOL, 0x20, 0, 0, {1005}, false},
      {L"vertCol", TYPE_BOOL, 0x20, 0, 0, {1006}, false},
      {L"startFrame", TYPE_INT, 0x20, -10000, 10000, {1493, 1499}, false},
      {L"endFrame", TYPE_INT, 0x20, -10000, 10000, {1494, 1500}, false},
      {L"boneLimit", TYPE_INT, 0x20, 1, 100, {1495, 1501}, false},
      {L"solverIterations", TYPE_INT, 0x20, 1, 15, {1502, 1503}, true},
  };
  ASSERT_EQ(params->Count(), 11);
  for (int i = 0; i < 11; ++i) {
    const ParamDef& d = params->paramdefs[i];
    const Row& r = rows[i];
    EXPECT_EQ(d.ID, i);
    EXPECT_STREQ(d.int_name, r.name);
    EXPECT_EQ(d.type, r.type) << i;
    EXPECT_EQ(d.flags, r.flags) << i;
    EXPECT_EQ(d.ctrl_IDs, r.controls) << i;
    EXPECT_EQ(d.accessor != nullptr, r.accessor) << i;
    if (r.type == TYPE_BOOL) continue;
    ASSERT_TRUE(d.has_range) << i;
    if (r.type == TYPE_FLOAT) {
      EXPECT_EQ(d.range_low.f, r.low);
      EXPECT_EQ(d.range_high.f, r.high);
    } else {
      EXPECT_EQ(d.range_low.i, r.low);
      EXPECT_EQ(d.range_high.i, r.high);
    }
  }
  EXPECT_EQ(params->paramdefs[0].local_name, 5);
  EXPECT_FLOAT_EQ(params->paramdefs[0].scale, 0.01f);
  EXPECT_FLOAT_EQ(params->paramdefs[1].scale, 0.1f);
  EXPECT_EQ(params->paramdefs[3].ctrl_type, TYPE_CHECKBUTTON);
  EXPECT_EQ(params->paramdefs[4].ctrl_type, TYPE_SINGLECHEKBOX);
}

TEST_F(PluginTest, NewModifierStartsFromTheDefaults) {
  Modifier* first = NewFernwick();
  first->GetParamBlock(0)->SetValue(kBoneLimit, 0, 40);
  first->GetParamBlock(0)->SetValue(kWeight, 0, 0.25f);
  Modifier* mod = NewFernwick();
  IParamBlock2* pb = mod->GetParamBlock(0);
  ASSERT_NE(pb, nullptr);
  EXPECT_EQ(pb->GetFloat(kWeight), 1.0f);
  EXPECT_EQ(pb->GetInt(kIter), 1);
  EXPECT_EQ(pb->GetFloat(kDisplace), 1.0f);
  const int ints[] = {0, 1, 0, 0, 0, 100, 5, 12};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(pb->GetInt(kShowState + i), ints[i]) << i;

  EXPECT_EQ(mod->GetParamBlockByID(0), pb);
  EXPECT_EQ(mod->GetParamBlockByID(1), nullptr);
  EXPECT_EQ(mod->NumRefs(), 1);
  EXPECT_EQ(mod->GetReference(0), pb);
  EXPECT_EQ(mod->GetReference(1), nullptr);
  mod->SetReference(1, nullptr);
  EXPECT_EQ(mod->GetReference(0), pb);
  EXPECT_EQ(mod->SubAnim(3), pb);
  EXPECT_EQ(mod->SubAnimName(7), L"Parameters");
  EXPECT_STREQ(mod->GetObjectName(), L"Fernwick");
  EXPECT_EQ(mod->ClassID(), kFernwickId);
  EXPECT_EQ(mod->ChannelsUsed(), 0xB7u);
  EXPECT_EQ(mod->ChannelsChanged(), 2u);
  EXPECT_TRUE(mod->LocalValidity(0).Empty());
  EXPECT_EQ(mod->InputType(), defObjectClassID);
  first->DeleteMe();
  mod->DeleteMe();
}

}  // namespace
