// A plug-in library for the rollout tests: one modifier class whose
// parameter block is shown in a small dialog, and a class-level "Info"
// rollout that opens collapsed.
#include "class_desc.h"
#include "modifier.h"
#include "param_block.h"
#include "plugin_manager.h"
#include "string_resources.h"

HOST_MODULE_RESOURCES(R"(// Knobs resources
#define IDD_SETTINGS 201
#define IDC_LIMIT 1201
STRINGTABLE
BEGIN
  3 "Knobs"
  4 "Settings"
  8 "Info"
END

IDD_SETTINGS DIALOGEX 0, 0, 100, 90
CAPTION "Settings"
FONT 8, "MS Sans Serif"
BEGIN
  GROUPBOX "Knobs", -1, 2, 2, 96, 60
  RTEXT "Strength:", -1, 4, 12, 40, 8
  CONTROL "", 1200, "CustEdit", 0, 46, 11, 30, 10
  CONTROL "", 1210, "SpinnerControl", 0, 77, 11, 7, 10
  RTEXT "Limit:", -1, 4, 24, 40, 8
  CONTROL "", IDC_LIMIT, "CustEdit", 0, 46, 23, 30, 10
  CONTROL "", 1211, "SpinnerControl", 0, 77, 23, 7, 10
  RTEXT "Passes:", -1, 4, 36, 40, 8
  CONTROL "", 1202, "CustEdit", 0, 46, 35, 30, 10
  CONTROL "", 1212, "SpinnerControl", 0, 77, 35, 7, 10
  AUTOCHECKBOX "Keep edges", 1300, 6, 48, 80, 10
  CONTROL "Show", 1301, "CustButton", 0, 6, 64, 30, 12
  PUSHBUTTON "Run", 1400, 40, 64, 30, 12
  PUSHBUTTON "Later", 1401, 72, 64, 26, 12, WS_DISABLED
  CTEXT "--", 1402, 4, 78, 92, 8
END

202 DIALOGEX 0, 0, 100, 20
CAPTION "Info"
FONT 8, "MS Sans Serif"
BEGIN
  CTEXT "Knobs\nfor <tests> & more", 1500, 4, 4, 92, 14
END
)")

namespace {

HINSTANCE hInstance = nullptr;

class KnobsClassDesc : public ClassDesc2 {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL loading) override;
  const MCHAR* ClassName() override { return L"Knobs"; }
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
  Class_ID ClassID() override { return Class_ID(0x5A3B1E, 0x78); }
  const MCHAR* Category() override { return nullptr; }
  HINSTANCE HInstance() override { return hInstance; }
};

KnobsClassDesc* Desc() {
  static KnobsClassDesc desc;
  return &desc;
}

ParamBlockDesc2 knobParams(
    0, L"params", 0, Desc(), P_AUTO_CONSTRUCT | P_AUTO_UI, 0,
    201, 4, 0, 0, static_cast<ParamMap2UserDlgProc*>(nullptr),
    0, L"strength", TYPE_FLOAT, P_ANIMATABLE, 0,
      p_default, 0.5f, p_range, 0.0f, 1.0f, p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, 1200, 1210, 0.01f, p_end,
    1, L"limit", TYPE_INT, 0, 0,
      p_default, 5, p_range, 1, 100, p_ui, TYPE_SPINNER, EDITTYPE_INT, 1201, 1211, 0.1f, p_end,
    2, L"passes", TYPE_INT, 0, 0,
      p_default, 12, p_range, 1, 15, p_ui, TYPE_SPINNER, EDITTYPE_INT, 1202, 1212, 0.1f, p_end,
    3, L"keepEdges", TYPE_BOOL, 0, 0, p_default, TRUE, p_ui, TYPE_SINGLECHEKBOX, 1300, p_end,
    4, L"show", TYPE_BOOL, 0, 0, p_default, FALSE, p_ui, TYPE_CHECKBUTTON, 1301, p_end,
    p_end);

ParamBlockDesc2 knobInfo(1, L"info", 0, Desc(), P_CLASS_PARAMS | P_AUTO_UI,
                         202, 8, 0, APPENDROLL_CLOSED, static_cast<ParamMap2UserDlgProc*>(nullptr), p_end);

class KnobsMod : public Modifier {
 public:
  KnobsMod() { Desc()->MakeAutoParamBlocks(this); }
  void ModifyObject(TimeValue, ModContext&, ObjectState*, INode*) override {}
  Class_ID ClassID() override { return Desc()->ClassID(); }
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) pblock = static_cast<IParamBlock2*>(r);
  }
  int NumParamBlocks() override { return 1; }
  IParamBlock2* GetParamBlock(int) override { return pblock; }
  void BeginEditParams(Interface* ip, ULONG flags, Animatable* prev) override {
    Desc()->BeginEditParams(ip, this, flags, prev);
  }
  void EndEditParams(Interface* ip, ULONG flags, Animatable* next) override {
    Desc()->EndEditParams(ip, this, flags, next);
  }
  IParamBlock2* pblock = nullptr;
};

void* KnobsClassDesc::Create(BOOL) { return new KnobsMod; }

}  // namespace

extern "C" {
BOOL DllMain(HINSTANCE hinst, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) hInstance = hinst;
  return TRUE;
}
const MCHAR* LibDescription() { return L"Rollout test plug-in"; }
int LibNumberClasses() { return 1; }
ClassDesc* LibClassDesc(int i) { return i == 0 ? Desc() : nullptr; }
ULONG LibVersion() { return 1; }
int LibInitialize() { return TRUE; }
int LibShutdown() { return TRUE; }
}
