// Stand-in host: a parameter value in transit, and the hook a plug-in sets on
// a parameter to see its values being read or set.
#pragma once
#include "interval.h"
#include "reference.h"

union PB2Value {
  float f;
  int i;
};

class PBAccessor {
 public:
  virtual ~PBAccessor() = default;
  // After a value was read; may change v.
  virtual void Get(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t,
                   Interval& valid) {
    (void)v; (void)owner; (void)id; (void)tabIndex; (void)t; (void)valid;
  }
  // After the block has stored v (reading the block back gives v); a change
  // to v is stored as well. owner is nullptr for a block without one.
  virtual void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t) {
    (void)v; (void)owner; (void)id; (void)tabIndex; (void)t;
  }
};
