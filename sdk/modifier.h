// Stand-in host: object-space modifiers and their per-application context.
#pragma once
#include "matrix3.h"
#include "object.h"
#include "tab.h"

class INode;

// Data a modifier keeps per application; owned by its ModContext.
class LocalModData {
 public:
  virtual ~LocalModData() = default;
  virtual LocalModData* Clone() = 0;
  virtual void DeleteThis() { delete this; }
};

// One application of a modifier on a stack; the derived object owns it and
// it owns its tm and localData.
class ModContext {
 public:
  ModContext() = default;
  ModContext(const ModContext& mc);
  ModContext& operator=(const ModContext&) = delete;
  ~ModContext();

  Matrix3* tm = nullptr;
  LocalModData* localData = nullptr;
};

class ModContextList : public Tab<ModContext*> {};

class Modifier : public BaseObject {
 public:
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }

  // Changes the object in os in place. A modifier may instead put another
  // object into os->obj; the stack then deletes the one it handed in.
  virtual void ModifyObject(TimeValue t, ModContext& mc, ObjectState* os, INode* node) = 0;

  virtual Interval LocalValidity(TimeValue t) { (void)t; return FOREVER; }
  virtual ChannelMask ChannelsUsed() { return GEOM_CHANNEL | TOPO_CHANNEL; }
  virtual ChannelMask ChannelsChanged() { return GEOM_CHANNEL; }
  // The class the stack converts its object to before ModifyObject.
  virtual Class_ID InputType() { return defObjectClassID; }

  BOOL IsEnabled() { return TestAFlag(A_MOD_DISABLED) ? FALSE : TRUE; }
  // Both send a change of all parts to the dependents.
  void EnableMod();
  void DisableMod();

  // The name shown on the stack; the object name until one is set.
  virtual MSTR GetName();
  virtual void SetName(MSTR name) { name_ = std::move(name); }

  // Copies the name and the enabled state.
  void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;

 private:
  MSTR name_;
};
