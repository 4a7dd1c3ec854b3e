#include "param_block.h"

#include <cmath>

#include "interface.h"

namespace {

double AsStored(const ParamDef& d, double v) { return d.type == TYPE_FLOAT ? v : std::round(v); }

PB2Value ToPB2(const ParamDef& d, double v) {
  PB2Value p{};
  if (d.type == TYPE_FLOAT) p.f = static_cast<float>(v);
  else p.i = static_cast<int>(std::lround(v));
  return p;
}

double FromPB2(const ParamDef& d, const PB2Value& p) { return d.type == TYPE_FLOAT ? p.f : p.i; }

}  // namespace

IParamBlock2::IParamBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner) : desc_(desc), owner_(owner) {
  for (const ParamDef& d : desc_->paramdefs)
    values_.emplace_back(d.type == TYPE_FLOAT ? static_cast<double>(d.def.f) : static_cast<double>(d.def.i));
}

IParamBlock2* CreateParameterBlock2(ParamBlockDesc2* pdesc, ReferenceMaker* owner) {
  return pdesc ? new IParamBlock2(pdesc, owner) : nullptr;
}

ReferenceMaker* IParamBlock2::GetOwner() {
  const std::vector<ReferenceMaker*> deps = GetDependents();
  for (ReferenceMaker* m : deps)
    if (m == owner_) return owner_;
  return deps.empty() ? nullptr : deps.front();
}

ParamID IParamBlock2::GetParamIDByName(const MCHAR* name) {
  const ParamDef* d = desc_->FindParamByName(name);
  return d ? d->ID : static_cast<ParamID>(-1);
}

KeyTrack<double>* IParamBlock2::GetTrack(ParamID id) {
  const int i = IDtoIndex(id);
  return i < 0 ? nullptr : &values_[i];
}

double IParamBlock2::Get(int index, TimeValue t, Interval& ivalid, int tabIndex, ParamID id) {
  const ParamDef& d = desc_->paramdefs[index];
  const KeyTrack<double>& track = values_[index];
  if (track.IsAnimated()) ivalid &= Interval(t, t);
  double v = AsStored(d, track.Eval(t));
  if (d.accessor) {
    PB2Value p = ToPB2(d, v);
    d.accessor->Get(p, GetOwner(), id, tabIndex, t, ivalid);
    v = FromPB2(d, p);
  }
  return v;
}

BOOL IParamBlock2::GetValue(ParamID id, TimeValue t, float& v, Interval& ivalid, int tabIndex) {
  const int i = IDtoIndex(id);
  if (i < 0) return FALSE;
  v = static_cast<float>(Get(i, t, ivalid, tabIndex, id));
  return TRUE;
}

BOOL IParamBlock2::GetValue(ParamID id, TimeValue t, int& v, Interval& ivalid, int tabIndex) {
  const int i = IDtoIndex(id);
  if (i < 0) return FALSE;
  v = static_cast<int>(std::lround(Get(i, t, ivalid, tabIndex, id)));
  return TRUE;
}

float IParamBlock2::GetFloat(ParamID id, TimeValue t, int tabIndex) {
  float v = 0.0f;
  Interval iv = FOREVER;
  GetValue(id, t, v, iv, tabIndex);
  return v;
}

int IParamBlock2::GetInt(ParamID id, TimeValue t, int tabIndex) {
  int v = 0;
  Interval iv = FOREVER;
  GetValue(id, t, v, iv, tabIndex);
  return v;
}

BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, float v, int tabIndex) { return Set(id, t, v, tabIndex); }
BOOL IParamBlock2::SetValue(ParamID id, TimeValue t, int v, int tabIndex) { return Set(id, t, v, tabIndex); }

BOOL IParamBlock2::Set(ParamID id, TimeValue t, double value, int tabIndex) {
  const int i = IDtoIndex(id);
  if (i < 0) return FALSE;
  const ParamDef& d = desc_->paramdefs[i];
  KeyTrack<double>& track = values_[i];
  auto store = [&](double v) {
    v = AsStored(d, v);
    const bool animatable = (d.flags & P_ANIMATABLE) != 0;
    if (animatable && GetCOREInterface()->GetAnimateMode()) {
      track.SetKey(t, v);
    } else if (!track.IsAnimated()) {
      track.SetValue(v);
    } else {
      bool keyAtT = false;
      for (int k = 0; k < track.NumKeys(); ++k)
        if (track.GetKey(k).time == t) {
          track.GetKey(k).value = v;
          keyAtT = true;
        }
      if (!keyAtT) {
        const double delta = v - track.Eval(t);
        for (int k = 0; k < track.NumKeys(); ++k) track.GetKey(k).value += delta;
      }
    }
  };
  store(value);
  // The accessor runs after the store, so what it reads back is the new value.
  if (d.accessor) {
    PB2Value p = ToPB2(d, AsStored(d, value));
    const PB2Value before = p;
    d.accessor->Set(p, GetOwner(), id, tabIndex, t);
    if (d.type == TYPE_FLOAT ? p.f != before.f : p.i != before.i) store(FromPB2(d, p));
  }
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  return TRUE;
}

RefTargetHandle IParamBlock2::Clone(RemapDir& remap) {
  auto* copy = new IParamBlock2(desc_, nullptr);
  copy->values_ = values_;
  BaseClone(this, copy, remap);
  return copy;
}
