// "Create input animation": proxy bones under a second Skin, animated by a
// generated script so that each proxy in turn bends away from rest.
#include <cstdio>

#include "../frame/fernwick.h"
#include "../host/script_execution.h"
#include "../host/skin_access.h"
#include "../sdk/message_box.h"
#include "../sdk/param_block.h"
#include "../sdk/tri_object.h"
#include "node_ops.h"
#include "rig_tools.h"

namespace {

constexpr SClass_ID kGeomObjectSuperClass = 0x10;
constexpr SClass_ID kHelperSuperClass = 0x50;
const Class_ID kEditableMeshClass(0xE44F10B3, 0);
const Class_ID kPointHelperClass(0x2013, 0);
constexpr DWORD kProxyWireColor = 0xFFE655;

const wchar_t* const kAnimationText =
    L"curFNWKMod = modPanel.getCurrentObject()\n"
    L"kat = 30.0\n"
    L"fstep = 1\n"
    L"tmpSlider = sliderTime\n"
    L"timeIntervalFnwk = interval (tmpSlider) (tmpSlider+(kostkiHandles.count * 4)+1)\n"
    L"if (animationRange.end < timeIntervalFnwk.end) then animationRange = timeIntervalFnwk\n"
    L"with redraw off(\n"
    L"for objHandle in kostkiHandles do(\n"
    L"obj = maxOps.getNodeByHandle objHandle\n"
    L"animate on(\n"
    L"rotate obj (angleaxis 1 [0,0,1])\n"
    L"rotate obj (angleaxis (-1) [0,0,1])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis kat [0,0,1])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (-2.0*kat) [0,0,1])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis kat [0,0,1])\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (-1.0*kat) [0,1,0])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (2.0*kat) [0,1,0])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (-1.0*kat) [0,1,0])\n"
    L"sliderTime -= 1))\n"
    L"sliderTime += fstep)\n"
    L"sliderTime = tmpSlider\n"
    L"curFNWKMod.startframe = timeIntervalFnwk.start\n"
    L"curFNWKMod.endframe = timeIntervalFnwk.end";

}  // namespace

std::wstring ProxyAnimationScript(const int* handles, int count) {
  std::wstring script = L"kostkiHandles = #(";
  for (int i = 0; i < count; ++i) {
    wchar_t num[16];
    std::swprintf(num, 16, L"%d", handles[i]);
    if (i > 0) script += L", ";
    script += num;
  }
  script += L")\n";
  script += kAnimationText;
  return script;
}

void CreateInputAnimation(Fernwick* mod) {
  if (MessageBoxW(mod->hWndRollout,
                  L"It will create sample poses for the weights solver. Animated proxy bones (based on the current "
                  L"bone hierarchy and weights) must be created. Check the proxy hierarchy after this step is "
                  L"completed, complex riggs (e.g. biped) may need parenting adjustments.\nTo restore your original "
                  L"bones with the new weights after solving use the \"Replace and remove proxy\" button.\nThe rigg "
                  L"should be in the rest pose now. Do you want to continue?",
                  L"Fernwick", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  INode* node = FindNodeForModifier(mod);
  if (!node) return;
  SkinAccess rig;
  int position = -1;
  if (!FindSkin(node, rig, &position)) return;
  Interface* ip = GetCOREInterface();
  const TimeValue now = ip->GetTime();

  rig.mod->DisableMod();
  Modifier* proxyMod = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
  if (!proxyMod) {
    rig.mod->EnableMod();
    return;
  }
  proxyMod->SetName(L"proxySkin");
  InsertModifier(node, proxyMod, position);
  ISkin* proxySkin = static_cast<ISkin*>(proxyMod->GetInterface(I_SKIN));
  ISkinImportData* proxyImport = static_cast<ISkinImportData*>(proxyMod->GetInterface(I_SKINIMPORTDATA));
  if (proxySkin) proxySkin->GetContextInterface(node);

  std::vector<INode*> proxies;
  for (int i = 0; i < rig.skin->GetNumBones(); ++i) {
    INode* bone = rig.skin->GetBone(i);
    INode* proxy = nullptr;
    Object* obj = bone->EvalWorldState(now, TRUE).obj;
    if (obj && obj->CanConvertToType(triObjectClassID)) {
      Object* editable = static_cast<Object*>(ip->CreateInstance(kGeomObjectSuperClass, kEditableMeshClass));
      proxy = ip->CreateObjectNode(editable ? editable : CreateNewTriObject());
      TriObject* copy = CreateNewTriObject();
      int needDelete = 0;
      if (TriObject* tri = GetNodeTriObject(bone, now, &needDelete)) {
        copy->mesh = tri->GetMesh();
        if (needDelete) tri->DeleteMe();
      }
      proxy->SetObjectRef(copy);
    } else {
      Object* point = static_cast<Object*>(ip->CreateInstance(kHelperSuperClass, kPointHelperClass));
      proxy = ip->CreateObjectNode(point);
      if (point && point->GetParamBlock(0)) point->GetParamBlock(0)->SetValue(0, 0, 10.0f);
    }
    const std::wstring name = std::wstring(L"FNWK_proxy_") + bone->GetName();
    proxy->SetName(name.c_str());
    proxy->SetWireColor(kProxyWireColor);
    Matrix3 tm;
    rig.skin->GetBoneInitTM(bone, tm, true);
    proxy->SetNodeTM(0, tm);
    if (proxyImport) proxyImport->AddBoneEx(proxy, FALSE);
    proxies.push_back(proxy);
  }

  // The proxies take the bones' parenting where the parent is a bone too.
  const int n = static_cast<int>(proxies.size());
  for (int i = 0; i < n; ++i) {
    INode* parent = rig.skin->GetBone(i)->GetParentNode();
    if (!parent || parent->IsRootNode()) continue;
    for (int j = 0; j < n; ++j)
      if (rig.skin->GetBone(j)->GetHandle() == parent->GetHandle()) {
        if (proxySkin) proxySkin->GetBone(j)->AttachChild(proxySkin->GetBone(i), TRUE);
        break;
      }
  }

  if (rig.context && proxySkin && proxyImport) {
    for (int v = 0; v < rig.context->GetNumPoints(); ++v) {
      Tab<INode*> bones;
      Tab<float> weights;
      for (int j = 0; j < rig.context->GetNumAssignedBones(v); ++j) {
        bones.Append(proxySkin->GetBone(rig.context->GetAssignedBone(v, j)));
        weights.Append(rig.context->GetBoneWeight(v, j));
      }
      proxyImport->AddWeights(node, v, bones, weights);
    }
  }

  std::vector<int> handles;
  for (int i = 0; proxySkin && i < proxySkin->GetNumBones(); ++i)
    handles.push_back(static_cast<int>(proxySkin->GetBone(i)->GetHandle()));
  const std::wstring script = ProxyAnimationScript(handles.data(), static_cast<int>(handles.size()));
  mod->proxyCreated = true;
  mod->RefreshRollout();
  RunHostScript(script.c_str());
  ip->SelectNode(node, 1);
}
