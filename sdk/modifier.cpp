#include "modifier.h"

ModContext::ModContext(const ModContext& mc)
    : tm(mc.tm ? new Matrix3(*mc.tm) : nullptr), localData(mc.localData ? mc.localData->Clone() : nullptr) {}

ModContext::~ModContext() {
  delete tm;
  if (localData) localData->DeleteThis();
}

void Modifier::EnableMod() {
  ClearAFlag(A_MOD_DISABLED);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void Modifier::DisableMod() {
  SetAFlag(A_MOD_DISABLED);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

MSTR Modifier::GetName() {
  if (!name_.empty()) return name_;
  const MCHAR* n = GetObjectName();
  return n ? MSTR(n) : MSTR();
}

void Modifier::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
  BaseObject::BaseClone(from, to, remap);
  auto* src = dynamic_cast<Modifier*>(from);
  auto* dst = dynamic_cast<Modifier*>(to);
  if (!src || !dst) return;
  dst->name_ = src->name_;
  if (src->TestAFlag(A_MOD_DISABLED)) dst->SetAFlag(A_MOD_DISABLED);
  else dst->ClearAFlag(A_MOD_DISABLED);
}
