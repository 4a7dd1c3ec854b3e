// Stand-in host: the instance manager, which can give nodes that share a
// modifier a modifier of their own.
#pragma once
#include "interface.h"

constexpr Interface_ID INSTANCE_MGR_INTERFACE(0x5ECD70B5, 0x59092257);

class IInstanceMgr : public FPInterface {
 public:
  static IInstanceMgr* GetInstanceMgr();
  Interface_ID GetID() override { return INSTANCE_MGR_INTERFACE; }

  // mods holds one target per node (mods[i] on nodes[i]). True when some
  // target lies on the stacks of two or more of the nodes.
  BOOL CanMakeModifiersUnique(INodeTab& nodes, Tab<ReferenceTarget*>& mods);
  // Each node but the first whose modifier is shared with an earlier node of
  // the table gets a clone of it in the same stack place. Every method value
  // gives each node a modifier of its own. True when anything changed.
  BOOL MakeModifiersUnique(INodeTab& nodes, Tab<ReferenceTarget*>& mods, int method);

  // A host may refuse to make modifiers unique (a locked or referenced
  // scene); while refusing, CanMakeModifiersUnique answers FALSE.
  void SetRefusing(bool on) { refusing_ = on; }

 private:
  bool refusing_ = false;
};
