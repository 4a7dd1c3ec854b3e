// "Bind with nearest bones": a rigid starting binding for the solver.
#include "../frame/fernwick.h"
#include "../host/skin_access.h"
#include "../sdk/message_box.h"
#include "../solver/closest_point_on_bone.h"
#include "../solver/command/solve_gather.h"
#include "node_ops.h"
#include "rig_tools.h"

namespace {
DWORD NoProgress(LPVOID) { return 0; }
}  // namespace

void BindWithNearestBones(Fernwick* mod, TimeValue t) {
  if (MessageBoxW(mod->hWndRollout,
                  L"It will set the skin weights for each vertex to 1.0 (for the nearest bone) and 0.0 (for the "
                  L"rest). Make sure you are now in the rest pose!\n\nAre you sure you want to replace existing "
                  L"weights?",
                  L"Fernwick", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  INode* node = FindNodeForModifier(mod);
  if (!node) return;
  SkinAccess skin;
  int position = -1;
  if (!FindSkin(node, skin, &position)) {
    MessageBoxW(mod->hWndRollout, L"No Skin modifier found.", L"Fernwick", MB_OK);
    return;
  }
  Interface* ip = GetCOREInterface();
  const TimeValue now = ip->GetTime();
  const int n = skin.skin->GetNumBones();
  if (n > 0) {
    int needDelete = 0;
    if (TriObject* tri = EvalStackTriObject(node, now, position, needDelete)) {
      const Mesh mesh = tri->GetMesh();
      if (needDelete) tri->DeleteMe();
      const Matrix3 M = node->GetObjectTM(t);

      const std::vector<std::unique_ptr<BoneMesh>> boneMeshes = BuildBoneMeshes(skin.skin, now);
      std::vector<Matrix3> boneTMs(n);
      std::vector<INode*> boneNodes(n);
      for (int i = 0; i < n; ++i) {
        boneNodes[i] = skin.skin->GetBone(i);
        if (boneNodes[i]) boneTMs[i] = boneNodes[i]->GetObjectTM(now);
      }

      ip->ProgressStart(L"Binding...", TRUE, NoProgress, nullptr);
      int lastPercent = 0;
      for (int v = 0; v < mesh.numVerts; ++v) {
        const Point3 p = M.PointTransform(mesh.verts[v]);
        int nearest = 0;
        float best = 0.0f;
        for (int i = 0; i < n; ++i) {
          const float d = (p - ClosestPointOnBone(boneTMs[i], boneMeshes[i].get(), p)).Length();
          if (i == 0 || d < best) {
            nearest = i;
            best = d;
          }
        }
        Tab<INode*> bones;
        bones.Append(boneNodes[nearest]);
        Tab<float> weights;
        weights.Append(1.0f);
        skin.importData->AddWeights(node, v, bones, weights);
        const int percent =
            static_cast<int>(static_cast<float>(v) / static_cast<float>(mesh.numVerts) * 100.0f);
        if (percent != lastPercent) {
          ip->ProgressUpdate(percent, FALSE, nullptr);
          lastPercent = percent;
        }
      }
      ip->ProgressEnd();
    }
  }
  skin.mod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
}
