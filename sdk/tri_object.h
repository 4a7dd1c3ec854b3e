// Stand-in host: an object holding a triangle mesh.
#pragma once
#include "mesh.h"
#include "object.h"

class TriObject : public Object {
 public:
  Mesh mesh;

  Mesh& GetMesh() { return mesh; }

  Class_ID ClassID() override { return triObjectClassID; }
  SClass_ID SuperClassID() override { return GEOMOBJECT_CLASS_ID; }
  void GetClassName(MSTR& s) override { s = L"Editable Mesh"; }
  const MCHAR* GetObjectName() override { return L"Mesh"; }

  BOOL IsSubClassOf(Class_ID classID) override;
  int CanConvertToType(Class_ID obtype) override;
  Object* ConvertToType(TimeValue t, Class_ID obtype) override;
  Object* MakeShallowCopy(ChannelMask channels) override;
  RefTargetHandle Clone(RemapDir& remap) override;
};

TriObject* CreateNewTriObject();
