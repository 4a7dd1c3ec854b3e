// Stand-in host: a point helper (a position with a display size and no
// geometry), and the class descriptors of the host's own creatable objects.
#pragma once
#include "object.h"
#include "param_block.h"

constexpr SClass_ID HELPER_CLASS_ID = 0x50;
constexpr Class_ID POINTHELP_CLASS_ID(0x2013, 0);
constexpr Class_ID EDITTRIOBJ_CLASS_ID(0xE44F10B3, 0);

class PointHelperObject : public Object {
 public:
  PointHelperObject();
  Class_ID ClassID() override { return POINTHELP_CLASS_ID; }
  SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
  void GetClassName(MSTR& s) override { s = L"Point"; }
  const MCHAR* GetObjectName() override { return L"Point"; }
  // A point is no mesh and becomes none.
  int CanConvertToType(Class_ID obtype) override { return obtype == POINTHELP_CLASS_ID ? 1 : 0; }
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? pblock : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) pblock = static_cast<IParamBlock2*>(r);
  }
  int NumParamBlocks() override { return 1; }
  IParamBlock2* GetParamBlock(int) override { return pblock; }
  IParamBlock2* GetParamBlockByID(BlockID id) override { return pblock && pblock->ID() == id ? pblock : nullptr; }
  RefTargetHandle Clone(RemapDir& remap) override;

  IParamBlock2* pblock = nullptr;  // parameter 0: "size"
};
