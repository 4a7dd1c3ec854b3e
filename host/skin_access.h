// The host's Skin modifier as the plug-in reaches it: found on a node's stack,
// then used only through its published interfaces.
#pragma once
#include "../sdk/inode.h"
#include "../sdk/iskin.h"
#include "../sdk/modifier.h"

struct SkinAccess {
  Modifier* mod = nullptr;
  ISkin* skin = nullptr;
  ISkinImportData* importData = nullptr;
  ISkinContextData* context = nullptr;  // of the node; may be missing
};

// The first Skin modifier on node's stack and its interfaces; false when there
// is none. position: its stack position, when given.
bool FindSkin(INode* node, SkinAccess& out, int* position = nullptr);
