#include "reference.h"

#include <algorithm>


namespace {

template <typename T>
bool EraseOne(std::vector<T>& v, const T& item) {
  auto it = std::find(v.begin(), v.end(), item);
  if (it == v.end()) return false;
  v.erase(it);
  return true;
}

}  // namespace

ReferenceMaker::~ReferenceMaker() {
  while (!held_.empty()) ReleaseTarget(held_.back(), true);
}

void ReferenceMaker::HoldTarget(RefTargetHandle t) {
  if (!t) return;
  held_.push_back(t);
  t->deps_.push_back(this);
}

void ReferenceMaker::ReleaseTarget(RefTargetHandle t, bool deleteIfOrphan) {
  if (!t || !EraseOne(held_, t)) return;
  EraseOne(t->deps_, static_cast<ReferenceMaker*>(this));
  if (deleteIfOrphan && t->deps_.empty() && t->autoDelete_ && !t->deleting_) t->DeleteMe();
}

RefResult ReferenceMaker::ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld) {
  if (which < 0 || which >= NumRefs()) return REF_FAIL;
  RefTargetHandle old = GetReference(which);
  if (old == newtarg) return REF_SUCCEED;
  HoldTarget(newtarg);
  SetReference(which, newtarg);
  if (newtarg && GetReference(which) != newtarg) {  // the maker refused it
    ReleaseTarget(newtarg, false);
    return REF_FAIL;
  }
  ReleaseTarget(old, delOld != FALSE);
  return REF_SUCCEED;
}

RefResult ReferenceMaker::DeleteReference(int which) { return ReplaceReference(which, nullptr, TRUE); }

RefResult ReferenceMaker::DeleteAllRefs() {
  // From the last slot down: some makers close the gap when a slot empties.
  for (int i = NumRefs() - 1; i >= 0; --i)
    if (i < NumRefs() && GetReference(i)) ReplaceReference(i, nullptr, TRUE);
  while (!held_.empty()) ReleaseTarget(held_.back(), true);
  return REF_SUCCEED;
}

ReferenceTarget::~ReferenceTarget() { DetachDependents(); }

void ReferenceTarget::DetachDependents() {
  while (!deps_.empty()) {
    ReferenceMaker* m = deps_.back();
    for (int i = m->NumRefs() - 1; i >= 0; --i)
      if (i < m->NumRefs() && m->GetReference(i) == this) m->SetReference(i, nullptr);
    while (EraseOne(m->held_, static_cast<RefTargetHandle>(this))) {}
    while (EraseOne(deps_, m)) {}
  }
}

std::vector<ReferenceMaker*> ReferenceTarget::GetDependents() const {
  std::vector<ReferenceMaker*> out;
  for (ReferenceMaker* m : deps_)
    if (std::find(out.begin(), out.end(), m) == out.end()) out.push_back(m);
  return out;
}

RefResult ReferenceTarget::NotifyDependents(Interval changeInt, PartID partID, RefMessage message,
                                            SClass_ID sclass, BOOL propagate, RefTargetHandle hTarget) {
  RefTargetHandle sender = hTarget ? hTarget : this;
  for (ReferenceMaker* m : GetDependents()) {
    // An earlier dependent's reaction may have removed this one.
    if (std::find(deps_.begin(), deps_.end(), m) == deps_.end()) continue;
    PartID part = partID;
    RefResult r = REF_SUCCEED;
    if (sclass == NOTIFY_ALL || m->SuperClassID() == sclass)
      r = m->NotifyRefChanged(changeInt, sender, part, message, propagate);
    if (propagate && r != REF_STOP && m->IsRefTarget())
      static_cast<ReferenceTarget*>(m)->NotifyDependents(changeInt, part, message, sclass, propagate);
  }
  return REF_SUCCEED;
}

RefResult ReferenceTarget::TransferReferences(RefTargetHandle newTarget, BOOL delOld) {
  if (newTarget == this) return REF_FAIL;
  for (ReferenceMaker* m : GetDependents()) {
    if (m == newTarget) continue;  // a target cannot be told to reference itself
    for (int i = m->NumRefs() - 1; i >= 0; --i)
      if (i < m->NumRefs() && m->GetReference(i) == this) m->ReplaceReference(i, newTarget, FALSE);
  }
  if (delOld && deps_.empty()) DeleteMe();
  return REF_SUCCEED;
}

RefResult ReferenceTarget::DeleteMe() {
  if (deleting_) return REF_SUCCEED;
  deleting_ = true;
  NotifyDependents(FOREVER, PART_ALL, REFMSG_TARGET_DELETED, NOTIFY_ALL, FALSE);
  DetachDependents();
  DeleteAllRefs();
  DeleteThis();
  return REF_SUCCEED;
}

DependentIterator::DependentIterator(ReferenceTarget* target) {
  if (target) deps_ = target->GetDependents();
}

ReferenceMaker* DependentIterator::Next() { return pos_ < deps_.size() ? deps_[pos_++] : nullptr; }
