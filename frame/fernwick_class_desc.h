// The class descriptor through which the host creates Fernwick modifiers.
#pragma once
#include "../sdk/class_desc.h"

class FernwickClassDesc : public ClassDesc2 {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL loading = FALSE) override;
  const MCHAR* ClassName() override;
  SClass_ID SuperClassID() override;
  Class_ID ClassID() override;
  const MCHAR* Category() override;
  const MCHAR* InternalName() override { return L"Fernwick"; }
  HINSTANCE HInstance() override;
};

// The one descriptor, made on first use and destroyed when the library unloads.
FernwickClassDesc* GetFernwickDesc();
