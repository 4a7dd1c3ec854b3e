// Stand-in host: a parameter block, the values of the parameters its
// descriptor lists. Animatable parameters take keys at the set time while
// animate mode is on (linear between keys, ints rounded); the others hold
// one value for all times.
#pragma once
#include <vector>

#include "key_track.h"
#include "param_block_desc.h"
#include "reference.h"

class IParamBlock2 : public ReferenceTarget {
 public:
  // Every parameter starts at its default. owner is the maker the block
  // belongs to (nullptr for class parameters).
  IParamBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner);

  SClass_ID SuperClassID() override { return PARAMETER_BLOCK2_CLASS_ID; }
  Class_ID ClassID() override { return paramBlock2ClassID; }

  BlockID ID() { return desc_->ID; }
  ParamBlockDesc2* GetDesc() { return desc_; }
  // The owner while it references the block; else the first maker that does.
  ReferenceMaker* GetOwner();
  void SetOwner(ReferenceMaker* owner) { owner_ = owner; }

  int NumParams() { return desc_->Count(); }
  ParamID IndextoID(int index) { return desc_->IndextoID(index); }
  int IDtoIndex(ParamID id) { return desc_->IDtoIndex(id); }
  // -1 when no parameter has that internal name.
  ParamID GetParamIDByName(const MCHAR* name);

  // Values are converted to the parameter's type. FALSE for an unknown id.
  // An animated value narrows ivalid to the instant t.
  BOOL GetValue(ParamID id, TimeValue t, float& v, Interval& ivalid, int tabIndex = 0);
  BOOL GetValue(ParamID id, TimeValue t, int& v, Interval& ivalid, int tabIndex = 0);
  float GetFloat(ParamID id, TimeValue t = 0, int tabIndex = 0);
  int GetInt(ParamID id, TimeValue t = 0, int tabIndex = 0);

  // Stores the value (see the class comment; with keys and animate mode off
  // the key at t is replaced, or all keys move by the change), then calls the
  // parameter's accessor, then notifies dependents with REFMSG_CHANGE.
  // Values are not clamped here (IParamMap2::SetValueFromControl is).
  BOOL SetValue(ParamID id, TimeValue t, float v, int tabIndex = 0);
  BOOL SetValue(ParamID id, TimeValue t, double v, int tabIndex = 0) {
    return SetValue(id, t, static_cast<float>(v), tabIndex);
  }
  BOOL SetValue(ParamID id, TimeValue t, int v, int tabIndex = 0);

  // The stored value and keys of a parameter (for saving), or nullptr.
  KeyTrack<double>* GetTrack(ParamID id);

  RefTargetHandle Clone(RemapDir& remap) override;

 private:
  BOOL Set(ParamID id, TimeValue t, double v, int tabIndex);
  double Get(int index, TimeValue t, Interval& ivalid, int tabIndex, ParamID id);

  ParamBlockDesc2* desc_;
  ReferenceMaker* owner_;
  std::vector<KeyTrack<double>> values_;  // by parameter index
};

IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* pdesc, ReferenceMaker* owner);
