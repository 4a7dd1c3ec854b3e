// Stand-in host: class and interface identities.
#pragma once
#include "host_types.h"

using SClass_ID = ULONG;

class Class_ID {
 public:
  constexpr Class_ID() = default;
  constexpr Class_ID(ULONG a, ULONG b) : a_(a), b_(b) {}
  constexpr ULONG PartA() const { return a_; }
  constexpr ULONG PartB() const { return b_; }
  constexpr bool operator==(const Class_ID& o) const { return a_ == o.a_ && b_ == o.b_; }
  constexpr bool operator!=(const Class_ID& o) const { return !(*this == o); }
  constexpr bool operator<(const Class_ID& o) const { return a_ < o.a_ || (a_ == o.a_ && b_ < o.b_); }

 private:
  ULONG a_ = 0xFFFFFFFF, b_ = 0xFFFFFFFF;
};

class Interface_ID {
 public:
  constexpr Interface_ID() = default;
  constexpr Interface_ID(ULONG a, ULONG b) : a_(a), b_(b) {}
  constexpr ULONG PartA() const { return a_; }
  constexpr ULONG PartB() const { return b_; }
  constexpr bool operator==(const Interface_ID& o) const { return a_ == o.a_ && b_ == o.b_; }
  constexpr bool operator!=(const Interface_ID& o) const { return !(*this == o); }

 private:
  ULONG a_ = 0, b_ = 0;
};

// Super classes.
constexpr SClass_ID BASENODE_CLASS_ID = 0x1;
constexpr SClass_ID GEN_DERIVOB_CLASS_ID = 0x2;
constexpr SClass_ID GEOMOBJECT_CLASS_ID = 0x10;
constexpr SClass_ID SHAPE_CLASS_ID = 0x40;
constexpr SClass_ID PARAMETER_BLOCK2_CLASS_ID = 0x82;
constexpr SClass_ID OSM_CLASS_ID = 0x810;
constexpr SClass_ID REF_MAKER_CLASS_ID = 0x100;

// Classes of the host's own objects.
constexpr Class_ID triObjectClassID(0x0009, 0);
constexpr Class_ID polyObjectClassID(0x5D21369A, 0x7B0E1EB4);
constexpr Class_ID defObjectClassID(0x000AF, 0);  // any deformable object
constexpr Class_ID splineShapeClassID(0x000A, 0);
constexpr Class_ID derivObjClassID(0x0002, 0);
constexpr Class_ID nodeClassID(0x0001, 0);
constexpr Class_ID paramBlock2ClassID(0x0082, 0);
