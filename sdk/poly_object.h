// Stand-in host: an object holding a polygon mesh.
#pragma once
#include "mnmesh.h"
#include "object.h"

class PolyObject : public Object {
 public:
  MNMesh mm;

  MNMesh& GetMesh() { return mm; }

  Class_ID ClassID() override { return polyObjectClassID; }
  SClass_ID SuperClassID() override { return GEOMOBJECT_CLASS_ID; }
  void GetClassName(MSTR& s) override { s = L"Editable Poly"; }
  const MCHAR* GetObjectName() override { return L"Poly"; }

  BOOL IsSubClassOf(Class_ID classID) override;
  int CanConvertToType(Class_ID obtype) override;
  // To triObjectClassID: a new TriObject made with MNMesh::OutToTri.
  Object* ConvertToType(TimeValue t, Class_ID obtype) override;
  Object* MakeShallowCopy(ChannelMask channels) override;
  RefTargetHandle Clone(RemapDir& remap) override;
};
