// Stand-in host: the root of every scene object.
#pragma once
#include "class_id.h"
#include "host_types.h"

class Interface;
class IParamBlock2;

// Animatable flags (SetAFlag and friends).
constexpr DWORD A_MOD_DISABLED = 1u << 16;
constexpr DWORD A_MOD_BEING_EDITED = 1u << 17;
constexpr DWORD A_OBJECT_LOCKED = 1u << 18;
constexpr DWORD A_WORK1 = 1u << 24;  // free for host algorithms

// Flags passed to BeginEditParams/EndEditParams.
constexpr ULONG BEGIN_EDIT_CREATE = 1u << 0;
constexpr ULONG BEGIN_EDIT_MOTION = 1u << 1;
constexpr ULONG BEGIN_EDIT_HIERARCHY = 1u << 2;
constexpr ULONG END_EDIT_REMOVEUI = 1u << 0;

class Animatable {
 public:
  Animatable() = default;
  Animatable(const Animatable&) = delete;
  Animatable& operator=(const Animatable&) = delete;
  virtual ~Animatable() = default;

  // How the host disposes of an object it owns.
  virtual void DeleteThis() { delete this; }

  virtual void GetClassName(MSTR& s) { s.clear(); }
  virtual Class_ID ClassID() { return Class_ID(0, 0); }
  virtual SClass_ID SuperClassID() { return 0; }

  virtual int NumSubs() { return 0; }
  virtual Animatable* SubAnim(int) { return nullptr; }
  virtual MSTR SubAnimName(int) { return MSTR(); }

  virtual int NumParamBlocks() { return 0; }
  virtual IParamBlock2* GetParamBlock(int) { return nullptr; }
  virtual IParamBlock2* GetParamBlockByID(BlockID) { return nullptr; }

  // Opening and closing of the object's user interface in the command panel.
  virtual void BeginEditParams(Interface*, ULONG /*flags*/, Animatable* /*prev*/) {}
  virtual void EndEditParams(Interface*, ULONG /*flags*/, Animatable* /*next*/) {}

  // Extension interfaces by number; none by default.
  virtual void* GetInterface(ULONG) { return nullptr; }

  void SetAFlag(DWORD mask) { aflag_ |= mask; }
  void ClearAFlag(DWORD mask) { aflag_ &= ~mask; }
  BOOL TestAFlag(DWORD mask) const { return (aflag_ & mask) != 0 ? TRUE : FALSE; }

 private:
  DWORD aflag_ = 0;
};
