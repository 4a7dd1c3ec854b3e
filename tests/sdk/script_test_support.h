// Shared pieces of the script engine tests: a modifier class that scripts
// know as "Fernwick", with the block parameters the scripts read and write,
// and a fixture that registers it and captures the host terminal.
#pragma once
#include <cmath>
#include <sstream>
#include <vector>

#include "class_desc.h"
#include "host_terminal.h"
#include "param_block.h"
#include "plugin_manager.h"
#include "script_engine.h"
#include "sdk_test_support.h"

namespace script_test {

enum { kWeight = 0, kIter = 1, kShowState = 3, kStartFrame = 7, kEndFrame = 8 };

class MushDesc : public ClassDesc2 {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL) override;
  const MCHAR* ClassName() override { return L"Fernwick"; }
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
  Class_ID ClassID() override { return Class_ID(0x7E57, 0x5C01); }
  const MCHAR* Category() override { return nullptr; }
  const MCHAR* InternalName() override { return L"Fernwick"; }
};
inline MushDesc mushDesc;

inline ParamBlockDesc2 mushParams(0, L"params", 0, &mushDesc, P_AUTO_CONSTRUCT, 0,
                                  kWeight, L"weight", TYPE_FLOAT, P_ANIMATABLE, 0, p_default, 1.0f, p_end,
                                  kIter, L"iter", TYPE_INT, 0, 0, p_default, 1, p_end,
                                  kShowState, L"showState", TYPE_BOOL, 0, 0, p_default, FALSE, p_end,
                                  kStartFrame, L"startFrame", TYPE_INT, 0, 0, p_default, 0, p_end,
                                  kEndFrame, L"endFrame", TYPE_INT, 0, 0, p_default, 100, p_end,
                                  p_end);

class MushMod : public Modifier {
 public:
  MushMod() {
    mushDesc.MakeAutoParamBlocks(this);
    ++alive;
  }
  ~MushMod() override { --alive; }
  void ModifyObject(TimeValue, ModContext&, ObjectState*, INode*) override {}
  Class_ID ClassID() override { return mushDesc.ClassID(); }
  const MCHAR* GetObjectName() override { return L"Fernwick"; }
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) pblock = static_cast<IParamBlock2*>(r);
  }
  int NumParamBlocks() override { return 1; }
  IParamBlock2* GetParamBlock(int) override { return pblock; }
  RefTargetHandle Clone(RemapDir& remap) override {
    auto* c = new MushMod;
    c->ReplaceReference(0, remap.CloneRef(pblock));
    BaseClone(this, c, remap);
    return c;
  }
  IParamBlock2* pblock = nullptr;
  static inline int alive = 0;
};

inline void* MushDesc::Create(BOOL) { return new MushMod; }

class ScriptTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    RegisterClassDesc(&mushDesc);
    previousTerminal = GetHostTerminal();
    SetHostTerminal(&terminal);
  }
  void TearDown() override {
    SetHostTerminal(previousTerminal);
    SceneTest::TearDown();
    UnregisterClassDesc(&mushDesc);
    EXPECT_EQ(MushMod::alive, 0) << "modifiers outlived the scene";
  }

  // A node over a one-vertex mesh carrying the given modifiers, top first.
  INode* NodeWith(const wchar_t* name, std::vector<Modifier*> topFirst) {
    Object* obj = OneVertexTri({0, 0, 0});
    if (!topFirst.empty()) {
      IDerivedObject* d = CreateDerivedObject(obj);
      for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it) d->AddModifier(*it);
      obj = d;
    }
    return ip->CreateObjectNode(obj, name);
  }

  // The node's modifiers, top first, across chained derived objects.
  static std::vector<Modifier*> StackOf(INode* node) {
    std::vector<Modifier*> out;
    Object* o = node->GetObjectRef();
    while (o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
      auto* d = static_cast<IDerivedObject*>(o);
      for (int k = 0; k < d->NumModifiers(); ++k) out.push_back(d->GetModifier(k));
      o = d->GetObjRef();
    }
    return out;
  }

  static int Frames(int f) { return f * GetTicksPerFrame(); }

  std::ostringstream terminal;
  std::ostream* previousTerminal = nullptr;
};

}  // namespace script_test
