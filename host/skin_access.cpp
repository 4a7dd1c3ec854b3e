#include "skin_access.h"

#include "../tools/node_ops.h"

bool FindSkin(INode* node, SkinAccess& out, int* position) {
  out = SkinAccess();
  out.mod = FindModifierByClass(node, SKIN_CLASSID, position);
  if (!out.mod) return false;
  out.skin = static_cast<ISkin*>(out.mod->GetInterface(I_SKIN));
  out.importData = static_cast<ISkinImportData*>(out.mod->GetInterface(I_SKINIMPORTDATA));
  if (out.skin) out.context = out.skin->GetContextInterface(node);
  return out.skin != nullptr && out.importData != nullptr;
}
