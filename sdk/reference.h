// Stand-in host: references between scene objects.
//
// Ownership: a maker holds its targets through numbered references. When a
// reference is dropped with the delete flag and the target has no dependents
// left, the target is deleted (so a node's object chain, modifiers and
// parameter blocks go with the last reference to them). Targets that are
// owned elsewhere (scene nodes) turn this off. A target that never had a
// dependent is its creator's to delete. DeleteMe deletes a target that still
// has dependents: they are told REFMSG_TARGET_DELETED and their references
// to it are cleared first.
#pragma once
#include <vector>

#include "animatable.h"
#include "interval.h"
#include "ref_messages.h"

class ReferenceTarget;
class ReferenceMaker;
class RemapDir;
class ISave;
class ILoad;
using RefTargetHandle = ReferenceTarget*;
using RefMakerHandle = ReferenceMaker*;

class ReferenceMaker : public Animatable {
 public:
  ReferenceMaker() = default;
  // Drops the bookkeeping of every reference still held; orphaned targets go.
  ~ReferenceMaker() override;

  virtual int NumRefs() { return 0; }
  virtual RefTargetHandle GetReference(int) { return nullptr; }
  // Stores the handle only; the host does the bookkeeping (ReplaceReference).
  virtual void SetReference(int, RefTargetHandle) {}

  virtual RefResult NotifyRefChanged(Interval changeInt, RefTargetHandle hTarget, PartID& partID,
                                     RefMessage message, BOOL propagate) {
    (void)changeInt; (void)hTarget; (void)partID; (void)message; (void)propagate;
    return REF_SUCCEED;
  }

  virtual BOOL IsRefTarget() { return FALSE; }
  SClass_ID SuperClassID() override { return REF_MAKER_CLASS_ID; }

  virtual IOResult Save(ISave*) { return IO_OK; }
  virtual IOResult Load(ILoad*) { return IO_OK; }

  // Points reference `which` at newtarg. With delOld the previous target is
  // deleted when this was its last dependent.
  RefResult ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld = TRUE);
  RefResult DeleteReference(int which);
  RefResult DeleteAllRefs();

 protected:
  // Bookkeeping for makers whose reference slots come and go (derived
  // objects): register a new slot's target, release a removed one.
  void HoldTarget(RefTargetHandle t);
  void ReleaseTarget(RefTargetHandle t, bool deleteIfOrphan);

 private:
  friend class ReferenceTarget;
  std::vector<RefTargetHandle> held_;  // one entry per reference slot
};

class ReferenceTarget : public ReferenceMaker {
 public:
  ReferenceTarget() = default;
  // Clears dependents' references without notifying them; use DeleteMe.
  ~ReferenceTarget() override;

  BOOL IsRefTarget() override { return TRUE; }

  virtual RefTargetHandle Clone(RemapDir& remap) { (void)remap; return nullptr; }
  // Copies what the base classes own from `from` to `to` after a Clone.
  virtual void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    (void)from; (void)to; (void)remap;
  }

  // Calls NotifyRefChanged on every direct dependent (those of super class
  // sclass only, unless NOTIFY_ALL) and, with propagate, passes the message
  // on up from each dependent that is a target and did not answer REF_STOP.
  // Dependents see hTarget, or this when none is given.
  RefResult NotifyDependents(Interval changeInt, PartID partID, RefMessage message,
                             SClass_ID sclass = NOTIFY_ALL, BOOL propagate = TRUE,
                             RefTargetHandle hTarget = nullptr);

  // Points every reference to this at newTarget instead. This stays alive
  // unless delOld, even when nothing references it any more.
  RefResult TransferReferences(RefTargetHandle newTarget, BOOL delOld = FALSE);

  // Deletes this target now: notifies dependents, clears their references,
  // drops its own references, then DeleteThis.
  virtual RefResult DeleteMe();

  // Distinct direct dependents, in the order they first referenced this.
  std::vector<ReferenceMaker*> GetDependents() const;
  bool HasDependents() const { return !deps_.empty(); }

 protected:
  // Targets owned by something else (scene nodes) are never deleted for
  // losing their last dependent.
  void SetAutoDelete(bool on) { autoDelete_ = on; }
  bool IsBeingDeleted() const { return deleting_; }

 private:
  friend class ReferenceMaker;
  void DetachDependents();
  std::vector<ReferenceMaker*> deps_;  // one entry per referencing slot
  bool autoDelete_ = true;
  bool deleting_ = false;
};

// Walks a target's direct dependents in order (a snapshot taken at construction).
class DependentIterator {
 public:
  explicit DependentIterator(ReferenceTarget* target);
  ReferenceMaker* Next();
  void Reset() { pos_ = 0; }

 private:
  std::vector<ReferenceMaker*> deps_;
  size_t pos_ = 0;
};
