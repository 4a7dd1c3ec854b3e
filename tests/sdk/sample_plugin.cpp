// A plug-in library for the plug-in manager tests: one modifier class with
// a parameter block, string resources, and notes on the host prompt line at
// each stage of its life.
#include "class_desc.h"
#include "interface.h"
#include "param_block.h"
#include "plugin_manager.h"
#include "string_resources.h"
#include "win_services.h"

HOST_MODULE_RESOURCES(R"(#define IDS_LIBDESC 1
STRINGTABLE
BEGIN
  IDS_LIBDESC "Sample plug-in for the host tests"
  3 "Sample"
  4 "Réglages"
END
101 DIALOGEX 0, 0, 108, 35
BEGIN
  LTEXT "About text", 1004, 4, 5, 99, 24
END
)")

namespace {

HINSTANCE hInstance = nullptr;

void Note(const wchar_t* what) { GetCOREInterface()->DisplayTempPrompt(what); }

const MCHAR* GetString(UINT id) {
  static wchar_t buf[256];
  return hInstance && LoadStringW(hInstance, id, buf, 256) ? buf : nullptr;
}

class SampleClassDesc : public ClassDesc2 {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL loading) override;
  const MCHAR* ClassName() override { return GetString(3); }
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
  Class_ID ClassID() override { return Class_ID(0x5A3B1E, 0x77); }
  const MCHAR* Category() override { return nullptr; }
  const MCHAR* InternalName() override { return L"SampleMod"; }
  HINSTANCE HInstance() override { return hInstance; }
};

SampleClassDesc* Desc() {
  static SampleClassDesc desc;
  return &desc;
}

ParamBlockDesc2 sampleParams(0, L"params", 0, Desc(), P_AUTO_CONSTRUCT, 0,
                             0, L"amount", TYPE_FLOAT, P_ANIMATABLE, 0, p_default, 0.5f, p_end,
                             p_end);

class SampleMod : public Modifier {
 public:
  SampleMod() { Desc()->MakeAutoParamBlocks(this); }
  void ModifyObject(TimeValue, ModContext&, ObjectState*, INode*) override {}
  Class_ID ClassID() override { return Desc()->ClassID(); }
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) pblock = static_cast<IParamBlock2*>(r);
  }
  int NumParamBlocks() override { return 1; }
  IParamBlock2* GetParamBlock(int) override { return pblock; }
  IParamBlock2* pblock = nullptr;
};

void* SampleClassDesc::Create(BOOL) { return new SampleMod; }

}  // namespace

extern "C" {

BOOL DllMain(HINSTANCE hinst, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    hInstance = hinst;
    DisableThreadLibraryCalls(hinst);
    Note(L"sample attach");
  } else {
    Note(L"sample detach");
  }
  return TRUE;
}

const MCHAR* LibDescription() { return GetString(1); }
int LibNumberClasses() { return 1; }
ClassDesc* LibClassDesc(int i) { return i == 0 ? Desc() : nullptr; }
ULONG LibVersion() { return 0x1234; }
int LibInitialize() {
  Note(L"sample init");
  return TRUE;
}
int LibShutdown() {
  Note(L"sample shutdown");
  return TRUE;
}
}
