#include "poly_object.h"

#include "tri_object.h"

BOOL PolyObject::IsSubClassOf(Class_ID classID) {
  return classID == polyObjectClassID || classID == defObjectClassID;
}

int PolyObject::CanConvertToType(Class_ID obtype) {
  return obtype == polyObjectClassID || obtype == defObjectClassID || obtype == triObjectClassID;
}

Object* PolyObject::ConvertToType(TimeValue, Class_ID obtype) {
  if (obtype == polyObjectClassID || obtype == defObjectClassID) return this;
  if (obtype != triObjectClassID) return nullptr;
  TriObject* tri = CreateNewTriObject();
  mm.OutToTri(tri->mesh);
  return tri;
}

Object* PolyObject::MakeShallowCopy(ChannelMask) {
  PolyObject* copy = new PolyObject;
  copy->mm = mm;
  return copy;
}

RefTargetHandle PolyObject::Clone(RemapDir& remap) {
  PolyObject* copy = new PolyObject;
  copy->mm = mm;
  BaseClone(this, copy, remap);
  return copy;
}
