// Stand-in host: a shape object (a polyline of knots). It deforms, but it is
// neither a triangle nor a polygon mesh and converts to neither.
#pragma once
#include <vector>

#include "object.h"
#include "point3.h"

class SplineShape : public Object {
 public:
  std::vector<Point3> knots;

  Class_ID ClassID() override { return splineShapeClassID; }
  SClass_ID SuperClassID() override { return SHAPE_CLASS_ID; }
  void GetClassName(MSTR& s) override { s = L"Editable Spline"; }
  const MCHAR* GetObjectName() override { return L"Shape"; }

  BOOL IsSubClassOf(Class_ID classID) override {
    return classID == splineShapeClassID || classID == defObjectClassID;
  }
  int CanConvertToType(Class_ID obtype) override { return IsSubClassOf(obtype); }
  Object* ConvertToType(TimeValue, Class_ID obtype) override {
    return IsSubClassOf(obtype) ? this : nullptr;
  }
  Object* MakeShallowCopy(ChannelMask) override {
    SplineShape* copy = new SplineShape;
    copy->knots = knots;
    return copy;
  }
};
