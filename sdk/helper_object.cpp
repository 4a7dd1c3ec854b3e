#include "helper_object.h"

#include "class_desc.h"
#include "param_block_desc.h"
#include "plugin_manager.h"
#include "remap_dir.h"
#include "tri_object.h"

namespace {

class PointHelperClassDesc : public ClassDesc2 {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL) override { return new PointHelperObject; }
  const MCHAR* ClassName() override { return L"Point"; }
  SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
  Class_ID ClassID() override { return POINTHELP_CLASS_ID; }
  const MCHAR* Category() override { return L"Helpers"; }
  const MCHAR* InternalName() override { return L"Point"; }
};

// The host's editable mesh: an object holding a triangle mesh.
class EditableMeshClassDesc : public ClassDesc {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL) override { return CreateNewTriObject(); }
  const MCHAR* ClassName() override { return L"Editable Mesh"; }
  SClass_ID SuperClassID() override { return GEOMOBJECT_CLASS_ID; }
  Class_ID ClassID() override { return EDITTRIOBJ_CLASS_ID; }
  const MCHAR* Category() override { return L"Geometry"; }
  const MCHAR* InternalName() override { return L"Editable_Mesh"; }
};

PointHelperClassDesc* PointDesc() {
  static PointHelperClassDesc* desc = new PointHelperClassDesc;  // never destroyed
  return desc;
}

ParamBlockDesc2* PointBlockDesc() {
  static ParamBlockDesc2* desc = new ParamBlockDesc2(
      0, L"pointobj", 0, PointDesc(), P_AUTO_CONSTRUCT, 0,
      0, L"size", TYPE_FLOAT, P_ANIMATABLE, 0, p_default, 20.0, p_range, 0.0, 1.0e6, p_end,
      p_end);
  return desc;
}

struct Registration {
  Registration() {
    PointBlockDesc();
    RegisterClassDesc(PointDesc());
    static EditableMeshClassDesc* mesh = new EditableMeshClassDesc;
    RegisterClassDesc(mesh);
  }
};
const Registration registration;

}  // namespace

PointHelperObject::PointHelperObject() {
  PointBlockDesc();
  PointDesc()->MakeAutoParamBlocks(this);
}

RefTargetHandle PointHelperObject::Clone(RemapDir& remap) {
  auto* copy = new PointHelperObject;
  if (pblock) copy->ReplaceReference(0, remap.CloneRef(pblock), TRUE);
  BaseClone(this, copy, remap);
  return copy;
}
