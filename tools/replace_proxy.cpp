// "Replace and remove proxy": the proxy Skin's weights go back to the rig's
// own bones, and the proxies leave the scene.
#include "../frame/fernwick.h"
#include "../host/skin_access.h"
#include "../sdk/derived_object.h"
#include "../sdk/message_box.h"
#include "node_ops.h"
#include "rig_tools.h"

namespace {

bool IsSkin(Modifier* m) { return m && m->ClassID() == SKIN_CLASSID; }

// The first Skin whose nearest Skin above is named "proxySkin", and that one.
bool FindProxyPair(INode* node, Modifier*& rig, Modifier*& proxy, int& proxyPosition) {
  Object* obj = node->GetObjectRef();
  Modifier* remembered = nullptr;
  int rememberedPosition = -1, position = 0;
  while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    auto* dobj = static_cast<IDerivedObject*>(obj);
    for (int i = 0; i < dobj->NumModifiers(); ++i, ++position) {
      Modifier* m = dobj->GetModifier(i);
      if (!IsSkin(m)) continue;
      if (remembered && remembered->GetName() == L"proxySkin") {
        rig = m;
        proxy = remembered;
        proxyPosition = rememberedPosition;
        return true;
      }
      remembered = m;
      rememberedPosition = position;
    }
    obj = dobj->GetObjRef();
  }
  return false;
}

}  // namespace

void ReplaceAndRemoveProxy(Fernwick* mod) {
  INode* node = FindNodeForModifier(mod);
  if (!node || !mod->proxyCreated) return;
  Modifier *rigMod = nullptr, *proxyMod = nullptr;
  int proxyPosition = -1;
  if (!FindProxyPair(node, rigMod, proxyMod, proxyPosition)) {
    MessageBoxW(mod->hWndRollout, L"Something changed on the modifier stack...", L"Fernwick", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  auto* rigSkin = static_cast<ISkin*>(rigMod->GetInterface(I_SKIN));
  auto* rigImport = static_cast<ISkinImportData*>(rigMod->GetInterface(I_SKINIMPORTDATA));
  auto* proxySkin = static_cast<ISkin*>(proxyMod->GetInterface(I_SKIN));
  if (!rigSkin || !rigImport || !proxySkin) return;
  ISkinContextData* rigContext = rigSkin->GetContextInterface(node);
  ISkinContextData* proxyContext = proxySkin->GetContextInterface(node);
  if (!mod->restMesh || !rigContext || !proxyContext) return;
  const int n = mod->NumVerts();
  if (proxyContext->GetNumPoints() != n || rigContext->GetNumPoints() != n) return;

  rigMod->EnableMod();
  for (int v = 0; v < n; ++v) {
    Tab<INode*> bones;
    Tab<float> weights;
    for (int j = 0; j < proxyContext->GetNumAssignedBones(v); ++j) {
      bones.Append(rigSkin->GetBone(proxyContext->GetAssignedBone(v, j)));
      weights.Append(proxyContext->GetBoneWeight(v, j));
    }
    rigImport->AddWeights(node, v, bones, weights);
  }
  Interface* ip = GetCOREInterface();
  const int m = proxySkin->GetNumBones();
  for (int i = 0; i < m; ++i)
    if (INode* proxy = proxySkin->GetBone(0)) ip->DeleteNode(proxy, TRUE);
  RemoveModifier(node, proxyPosition);
  rigMod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  mod->proxyCreated = false;
  mod->RefreshRollout();
  MessageBoxW(mod->hWndRollout, L"Weights successfully replaced.", L"Fernwick", MB_OK);
  ip->SelectNode(node, 1);
}
