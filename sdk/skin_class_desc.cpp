// The Skin's class descriptor. The host registers it while its library
// loads, so CreateInstance and scene loading find the class with no set-up.
#include "class_desc.h"
#include "plugin_manager.h"
#include "skin_modifier.h"

namespace {

class SkinClassDesc : public ClassDesc {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL) override { return new SkinMod; }
  const MCHAR* ClassName() override { return L"Skin"; }
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
  Class_ID ClassID() override { return SKIN_CLASSID; }
  const MCHAR* Category() override { return L"Deformers"; }
  const MCHAR* InternalName() override { return L"Skin"; }
};

struct Registration {
  Registration() { RegisterClassDesc(GetSkinModDesc()); }
};
const Registration registration;

}  // namespace

ClassDesc* GetSkinModDesc() {
  // Never destroyed: the registry may be consulted during exit.
  static SkinClassDesc* desc = new SkinClassDesc;
  return desc;
}
