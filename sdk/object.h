// Stand-in host: scene objects and the state an evaluation yields.
#pragma once
#include "ref_messages.h"
#include "reference.h"

class Object;

// The result of evaluating an object: the object that carries the geometry.
class ObjectState {
 public:
  ObjectState() = default;
  ObjectState(Object* o) : obj(o) {}  // NOLINT: implicit, as the host's
  Object* obj = nullptr;
};

class BaseObject : public ReferenceTarget {
 public:
  virtual const MCHAR* GetObjectName() { return L""; }
  virtual BOOL HasUVW() { return FALSE; }
  virtual void SetGenUVW(BOOL) {}
};

// Geometry-carrying objects. Evaluation results and conversions are
// temporary objects: the one who asked deletes them with DeleteMe unless
// they are the object it asked about. Results kept by a derived object are
// locked, and DeleteMe leaves them alone.
class Object : public BaseObject {
 public:
  virtual BOOL IsSubClassOf(Class_ID classID) { return classID == ClassID() ? TRUE : FALSE; }
  virtual int CanConvertToType(Class_ID obtype) { return obtype == ClassID() ? 1 : 0; }
  // This object itself when it already is of that type, else a new object.
  virtual Object* ConvertToType(TimeValue t, Class_ID obtype) {
    (void)t;
    return obtype == ClassID() ? this : nullptr;
  }
  // A plain object evaluates to itself.
  virtual ObjectState Eval(TimeValue t) { (void)t; return ObjectState(this); }
  // An independent copy for a modifier stack to work on; nullptr when this
  // kind of object cannot be copied (it then passes through a stack as is).
  virtual Object* MakeShallowCopy(ChannelMask channels) { (void)channels; return nullptr; }

  void LockObject() { SetAFlag(A_OBJECT_LOCKED); }
  void UnlockObject() { ClearAFlag(A_OBJECT_LOCKED); }
  BOOL IsObjectLocked() const { return TestAFlag(A_OBJECT_LOCKED); }

  // Does nothing to a locked object.
  RefResult DeleteMe() override;
};
