#include "derived_object.h"

#include "inode.h"

namespace {

// The first scene node above a target, depth first through its dependents.
INode* FindNodeAbove(ReferenceTarget* t, int depth = 0) {
  if (!t || depth > 32) return nullptr;
  DependentIterator it(t);
  while (ReferenceMaker* m = it.Next()) {
    if (m->SuperClassID() == BASENODE_CLASS_ID) return static_cast<INode*>(m);
    if (m->IsRefTarget())
      if (INode* n = FindNodeAbove(static_cast<ReferenceTarget*>(m), depth + 1)) return n;
  }
  return nullptr;
}

void DeleteTemporary(Object* o) {
  if (!o) return;
  o->UnlockObject();
  o->DeleteMe();
}

}  // namespace

IDerivedObject::~IDerivedObject() {
  DeleteTemporary(cache_);
  for (ModContext* mc : mcs_) delete mc;
}

Modifier* IDerivedObject::GetModifier(int index) {
  return index >= 0 && index < NumModifiers() ? mods_[index] : nullptr;
}

ModContext* IDerivedObject::GetModContext(int index) {
  return index >= 0 && index < NumModifiers() ? mcs_[index] : nullptr;
}

IDerivedObject* IDerivedObject::BaseDerived() {
  if (base_ && base_->SuperClassID() == GEN_DERIVOB_CLASS_ID) return static_cast<IDerivedObject*>(base_);
  return nullptr;
}

void IDerivedObject::ReferenceObject(Object* pob) {
  ReplaceReference(0, pob, TRUE);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void IDerivedObject::AddModifier(Modifier* mod, ModContext* mc, int before) {
  if (!mod) {
    delete mc;
    return;
  }
  const int n = NumModifiers();
  if (before < 0) before = 0;
  if (before > n) {
    if (IDerivedObject* inner = BaseDerived()) {
      inner->AddModifier(mod, mc, before - n);
      return;
    }
    before = n;
  }
  mods_.insert(mods_.begin() + before, mod);
  mcs_.insert(mcs_.begin() + before, mc ? mc : new ModContext);
  HoldTarget(mod);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void IDerivedObject::DeleteModifier(int index) {
  const int n = NumModifiers();
  if (index < 0) return;
  if (index >= n) {
    if (IDerivedObject* inner = BaseDerived()) inner->DeleteModifier(index - n);
    return;
  }
  Modifier* mod = mods_[index];
  RemoveSlot(index);
  ReleaseTarget(mod, true);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
  NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void IDerivedObject::RemoveSlot(int index) {
  delete mcs_[index];
  mods_.erase(mods_.begin() + index);
  mcs_.erase(mcs_.begin() + index);
}

RefTargetHandle IDerivedObject::GetReference(int i) {
  if (i == 0) return base_;
  return GetModifier(i - 1);
}

void IDerivedObject::SetReference(int i, RefTargetHandle rtarg) {
  if (i == 0) {
    base_ = dynamic_cast<Object*>(rtarg);
    return;
  }
  if (i - 1 < 0 || i - 1 >= NumModifiers()) return;
  if (!rtarg) {
    RemoveSlot(i - 1);
    return;
  }
  if (auto* mod = dynamic_cast<Modifier*>(rtarg)) mods_[i - 1] = mod;
}

void IDerivedObject::SetCache(Object* result) {
  if (cache_ == result) return;
  DeleteTemporary(cache_);
  cache_ = result;
  if (cache_) cache_->LockObject();
}

ObjectState IDerivedObject::Eval(TimeValue t, int modIndex) {
  if (!base_) return ObjectState();
  const int n = NumModifiers();
  if (modIndex < 0) modIndex = 0;
  IDerivedObject* inner = BaseDerived();
  if (modIndex >= n && inner) return inner->Eval(t, modIndex - n);

  ObjectState src = inner ? inner->Eval(t, 0) : base_->Eval(t);
  if (!src.obj) return src;
  // The result is built in `work` and only then replaces the previous one,
  // so a modifier that evaluates this stack again frees nothing in use.
  Object* work = src.obj->MakeShallowCopy(ALL_CHANNELS);
  if (!work) return src;
  INode* node = FindNodeAbove(this);
  for (int k = n - 1; k >= modIndex; --k) {
    Modifier* mod = mods_[k];
    if (!mod || !mod->IsEnabled()) continue;
    const Class_ID want = mod->InputType();
    if (!work->IsSubClassOf(want)) {
      Object* conv = work->CanConvertToType(want) ? work->ConvertToType(t, want) : nullptr;
      if (!conv) continue;  // this modifier cannot take the object
      if (conv != work) DeleteTemporary(work);
      work = conv;
    }
    ObjectState os(work);
    mod->ModifyObject(t, *mcs_[k], &os, node);
    if (os.obj && os.obj != work) {
      DeleteTemporary(work);
      work = os.obj;
    }
  }
  SetCache(work);
  return ObjectState(cache_);
}

IDerivedObject* CreateDerivedObject(Object* pob) {
  auto* d = new IDerivedObject;
  if (pob) d->ReferenceObject(pob);
  return d;
}
