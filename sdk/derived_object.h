// Stand-in host: the object that carries a modifier stack above a base object.
//
// Stack positions count from the top (0) and run on into a base object that
// is again a derived object: with n modifiers of its own, position k >= n of
// this object is position k - n of its base. Eval, AddModifier and
// DeleteModifier take such running positions; NumModifiers and GetModifier
// see only this object's own modifiers.
#pragma once
#include <vector>

#include "modifier.h"
#include "object.h"

class IDerivedObject : public Object {
 public:
  IDerivedObject() = default;
  ~IDerivedObject() override;

  Class_ID ClassID() override { return derivObjClassID; }
  SClass_ID SuperClassID() override { return GEN_DERIVOB_CLASS_ID; }
  void GetClassName(MSTR& s) override { s = L"Derived Object"; }

  int NumModifiers() { return static_cast<int>(mods_.size()); }
  Modifier* GetModifier(int index);
  ModContext* GetModContext(int index);
  // The base object: a plain object or again a derived object.
  Object* GetObjRef() { return base_; }
  // Makes pob the base object (the previous one is released).
  void ReferenceObject(Object* pob);

  // Puts mod at running position `before` (0 = top), above what was there.
  // The stack takes mc, or makes a ModContext when none is given.
  void AddModifier(Modifier* mod, ModContext* mc = nullptr, int before = 0);
  // Takes the modifier at running position `index` off the stack; it is
  // deleted when nothing else references it.
  void DeleteModifier(int index = 0);

  // A fresh copy of the base object's result with every enabled modifier
  // from the bottom up to and including running position modIndex applied.
  // The result belongs to this object (or, for positions below its own
  // modifiers, to the base derived object) and stays valid until the next
  // evaluation of that object.
  ObjectState Eval(TimeValue t) override { return Eval(t, 0); }
  ObjectState Eval(TimeValue t, int modIndex);

  // Reference 0 is the base object, 1 + i the modifier at index i. Clearing a
  // modifier reference takes the modifier off the stack.
  int NumRefs() override { return 1 + NumModifiers(); }
  RefTargetHandle GetReference(int i) override;
  void SetReference(int i, RefTargetHandle rtarg) override;

  BOOL IsSubClassOf(Class_ID classID) override { return classID == derivObjClassID; }

 private:
  IDerivedObject* BaseDerived();
  void RemoveSlot(int index);
  void SetCache(Object* result);

  Object* base_ = nullptr;
  std::vector<Modifier*> mods_;      // top first
  std::vector<ModContext*> mcs_;     // parallel to mods_
  Object* cache_ = nullptr;          // last evaluation result, locked
};

// A new derived object, with pob as its base when one is given.
IDerivedObject* CreateDerivedObject(Object* pob = nullptr);
