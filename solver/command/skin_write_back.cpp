#include "skin_write_back.h"

#include "../../frame/fernwick.h"
#include "../../host/script_execution.h"
#include "../../sdk/message_box.h"
#include "../../tools/node_ops.h"
#include "solve_command.h"

const MCHAR* const kSolveClosingScript =
    L"obj = $\nfor m in obj.modifiers do\nif (classof m as string == \"Fernwick\") then m.enabled = false\n"
    L"clearSelection\nselect obj";

void SaveUndoWeights(Fernwick* mod, ISkinContextData* contextData, int vertexCount) {
  mod->undoBoneIndices.ZeroCount();
  mod->undoWeights.ZeroCount();
  mod->undoBoneIndices.SetCount(vertexCount);
  mod->undoWeights.SetCount(vertexCount);
  for (int v = 0; v < vertexCount; ++v) {
    const int n = contextData->GetNumAssignedBones(v);
    mod->undoBoneIndices[v].SetCount(n);
    mod->undoWeights[v].SetCount(n);
    for (int j = 0; j < n; ++j) {
      mod->undoBoneIndices[v][j] = contextData->GetAssignedBone(v, j);
      mod->undoWeights[v][j] = contextData->GetBoneWeight(v, j);
    }
  }
}

void WriteSolvedWeights(INode* node, ISkinImportData* importData, const CandidateBones& candidates,
                        const std::vector<float>& weights) {
  const int L = candidates.candidateCount;
  for (int v = 0; v < candidates.candidates.Count(); ++v) {
    Tab<INode*> bones;
    Tab<float> w;
    for (int k = 0; k < L && k < candidates.candidates[v].Count(); ++k) {
      bones.Append(static_cast<INode*>(candidates.candidates[v][k].node));
      w.Append(weights[static_cast<size_t>(v) * L + k]);
    }
    importData->AddWeights(node, v, bones, w);
  }
}

void RestoreSkinWeights(Fernwick* mod) {
  INode* node = FindNodeForModifier(mod);
  if (!node) return;
  SkinAccess skin;
  if (!FindSkin(node, skin) || !skin.context) return;
  const int n = mod->NumVerts();
  if (n != skin.context->GetNumPoints() || n != mod->undoBoneIndices.Count() || n != mod->undoWeights.Count()) return;
  const int boneCount = skin.skin->GetNumBones();
  for (int v = 0; v < n; ++v)
    for (int j = 0; j < mod->undoBoneIndices[v].Count(); ++j)
      if (mod->undoBoneIndices[v][j] < 0 || mod->undoBoneIndices[v][j] >= boneCount) return;
  for (int v = 0; v < n; ++v) {
    Tab<INode*> bones;
    for (int j = 0; j < mod->undoBoneIndices[v].Count(); ++j) bones.Append(skin.skin->GetBone(mod->undoBoneIndices[v][j]));
    // A tab of weights longer than its bones would pair weights with nothing.
    Tab<float> weights = mod->undoWeights[v];
    weights.SetCount(bones.Count());
    skin.importData->AddWeights(node, v, bones, weights);
  }
  skin.mod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  MessageBoxW(mod->hWndRollout, L"Weights restored.", L"Fernwick", MB_OK);
}
