#include "instance_mgr.h"

#include "derived_object.h"
#include "remap_dir.h"

namespace {

// The derived object on node's stack holding target, and its index there.
IDerivedObject* FindOnStack(INode* node, ReferenceTarget* target, int& index) {
  Object* o = node ? node->GetObjectRef() : nullptr;
  while (o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    auto* d = static_cast<IDerivedObject*>(o);
    for (int k = 0; k < d->NumModifiers(); ++k)
      if (d->GetModifier(k) == target) {
        index = k;
        return d;
      }
    o = d->GetObjRef();
  }
  return nullptr;
}

bool OnStack(INode* node, ReferenceTarget* target) {
  int k = 0;
  return target && FindOnStack(node, target, k) != nullptr;
}

}  // namespace

IInstanceMgr* IInstanceMgr::GetInstanceMgr() {
  static IInstanceMgr mgr;
  return &mgr;
}

BOOL IInstanceMgr::CanMakeModifiersUnique(INodeTab& nodes, Tab<ReferenceTarget*>& mods) {
  if (refusing_) return FALSE;
  for (int i = 0; i < mods.Count(); ++i) {
    int users = 0;
    for (int n = 0; n < nodes.Count(); ++n)
      if (OnStack(nodes[n], mods[i])) ++users;
    if (users >= 2) return TRUE;
  }
  return FALSE;
}

BOOL IInstanceMgr::MakeModifiersUnique(INodeTab& nodes, Tab<ReferenceTarget*>& mods, int) {
  bool changed = false;
  const int count = nodes.Count() < mods.Count() ? nodes.Count() : mods.Count();
  for (int i = 1; i < count; ++i) {
    ReferenceTarget* shared = mods[i];
    bool earlier = false;
    for (int j = 0; j < i && !earlier; ++j) earlier = OnStack(nodes[j], shared);
    if (!earlier) continue;
    int k = 0;
    IDerivedObject* d = FindOnStack(nodes[i], shared, k);
    if (!d) continue;
    int firstIndex = 0;
    if (FindOnStack(nodes[0], shared, firstIndex) == d) continue;  // one stack shared by both nodes
    RemapDir remap;  // one per node: each node gets its own copy
    RefTargetHandle copy = remap.CloneRef(shared);
    if (!copy) continue;
    if (d->ReplaceReference(1 + k, copy, FALSE) != REF_SUCCEED) {
      copy->DeleteMe();
      continue;
    }
    d->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    changed = true;
  }
  return changed ? TRUE : FALSE;
}
