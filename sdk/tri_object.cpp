#include "tri_object.h"

BOOL TriObject::IsSubClassOf(Class_ID classID) {
  return classID == triObjectClassID || classID == defObjectClassID;
}

int TriObject::CanConvertToType(Class_ID obtype) {
  return obtype == triObjectClassID || obtype == defObjectClassID;
}

Object* TriObject::ConvertToType(TimeValue, Class_ID obtype) {
  return CanConvertToType(obtype) ? this : nullptr;
}

Object* TriObject::MakeShallowCopy(ChannelMask) {
  TriObject* copy = new TriObject;
  copy->mesh = mesh;
  return copy;
}

RefTargetHandle TriObject::Clone(RemapDir& remap) {
  TriObject* copy = new TriObject;
  copy->mesh = mesh;
  BaseClone(this, copy, remap);
  return copy;
}

TriObject* CreateNewTriObject() { return new TriObject; }
