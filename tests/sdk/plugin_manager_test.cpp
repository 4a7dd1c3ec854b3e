#include <sstream>

#include "host_terminal.h"
#include "param_block.h"
#include "plugin_manager.h"
#include "sdk_test_support.h"
#include "string_resources.h"

namespace {

constexpr Class_ID kSampleClass(0x5A3B1E, 0x77);

TEST_F(SceneTest, LoadsAPluginRegistersItsClassesAndUnloadsIt) {
  std::ostringstream out;
  SetHostTerminal(&out);
  std::string error;
  DllDesc* dll = LoadPlugin(FW_SAMPLE_PLUGIN, &error);
  ASSERT_NE(dll, nullptr) << error;
  EXPECT_EQ(out.str(), "[prompt] sample attach\n[prompt] sample init\n") << "DllMain comes first";
  EXPECT_EQ(dll->GetDescription(), L"Sample plug-in for the host tests");
  EXPECT_EQ(dll->GetVersion(), 0x1234u);
  ASSERT_EQ(dll->NumClasses(), 1);
  EXPECT_EQ(NumPlugins(), 1);

  ClassDesc* cd = FindClassDesc(OSM_CLASS_ID, kSampleClass);
  ASSERT_NE(cd, nullptr);
  EXPECT_EQ(cd, dll->GetClassDesc(0));
  EXPECT_EQ(FindClassDesc(kSampleClass), cd);
  EXPECT_EQ(FindClassDescByName(L"Sample"), cd);
  EXPECT_EQ(FindClassDescByName(L"SampleMod"), cd);
  EXPECT_EQ(cd->HInstance(), dll->GetHandle());
  ASSERT_NE(cd->GetRsrcString(4), nullptr);
  EXPECT_STREQ(cd->GetRsrcString(4), L"R\u00E9glages");
  EXPECT_EQ(cd->GetRsrcString(2), nullptr);

  wchar_t small[4];
  EXPECT_EQ(LoadStringW(dll->GetHandle(), 3, small, 4), 3) << "cut to the buffer";
  EXPECT_STREQ(small, L"Sam");
  EXPECT_EQ(LoadStringW(dll->GetHandle(), 101, small, 4), 0) << "dialogs are not strings";

  auto* mod = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, kSampleClass));
  ASSERT_NE(mod, nullptr);
  EXPECT_FLOAT_EQ(mod->GetParamBlock(0)->GetFloat(0), 0.5f);
  mod->DeleteMe();
  EXPECT_EQ(ip->CreateInstance(OSM_CLASS_ID, Class_ID(1, 2)), nullptr);

  out.str("");
  EXPECT_TRUE(UnloadPlugin(dll));
  SetHostTerminal(&std::cerr);
  EXPECT_EQ(out.str(), "[prompt] sample shutdown\n[prompt] sample detach\n");
  EXPECT_EQ(FindClassDesc(kSampleClass), nullptr);
  EXPECT_EQ(NumPlugins(), 0);
}

TEST(PluginManager, MissingLibraryOrExportIsReported) {
  std::string error;
  EXPECT_EQ(LoadPlugin("/no/such/dir/libnothing.so", &error), nullptr);
  EXPECT_NE(error.find("/no/such/dir/libnothing.so"), std::string::npos) << error;
  EXPECT_EQ(LastPluginError(), error);

  EXPECT_EQ(LoadPlugin(FW_INCOMPLETE_PLUGIN, &error), nullptr);
  EXPECT_NE(error.find("does not export LibClassDesc"), std::string::npos) << error;
  EXPECT_EQ(NumPlugins(), 0);
}

}  // namespace
