// The solve command: checks, confirmation, sampling through the stack, rest
// positions and bone transforms, candidates, the parallel search, write-back.
#include "solve_command.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "../../frame/fernwick.h"
#include "../../host/script_execution.h"
#include "../../host/skin_access.h"
#include "../../sdk/derived_object.h"
#include "../../sdk/message_box.h"
#include "../../sdk/win_services.h"
#include "../../tools/node_ops.h"
#include "../bone_distance_table.h"
#include "../candidate_bones.h"
#include "../weight_search.h"
#include "skin_write_back.h"
#include "solve_gather.h"

namespace {

void Notice(Fernwick* mod, const wchar_t* text, UINT type) { MessageBoxW(mod->hWndRollout, text, L"Fernwick", type); }

void ReplacePrompt(Interface* ip, const wchar_t* text) {
  ip->PopPrompt();
  ip->PushPrompt(text);
}

}  // namespace

void SolveSkinWeights(Fernwick* mod) {
  Interface* ip = GetCOREInterface();
  INode* node = FindNodeForModifier(mod);
  SkinAccess skin;
  if (!node || !FindSkin(node, skin)) {
    Notice(mod, L"No Skin modifier found.", MB_OK);
    return;
  }
  int position = -1;
  FindModifierByClass(node, FERNWICK_CLASS_ID, &position);

  // Without a rest state, or without the Skin's data for this node, there is
  // nothing to compare: say so instead of reading what is not there.
  if (!mod->restMesh || mod->NumVerts() == 0) {
    Notice(mod, L"There is no rest state yet. Press \"Extract state\" with the rig in its rest pose first.",
           MB_ICONINFORMATION);
    return;
  }
  if (!skin.context) {
    Notice(mod, L"The Skin modifier holds no weights for this object.", MB_ICONINFORMATION);
    return;
  }

  const TimeValue now = ip->GetTime();
  int evaluatedCount = -1, needDelete = 0;
  if (TriObject* tri = EvalStackTriObject(node, now, position, needDelete)) {
    evaluatedCount = tri->GetMesh().numVerts;
    if (needDelete) tri->DeleteMe();
  }
  const int pointCount = skin.context->GetNumPoints();
  const int vertexCount = mod->NumVerts();
  const int boneCount = skin.skin->GetNumBones();
  if (boneCount < 1) {
    Notice(mod, L"You have no bones in the Skin modifier.", MB_ICONINFORMATION);
    return;
  }
  if (pointCount != vertexCount || evaluatedCount != vertexCount) {
    Notice(mod, L"The Fernwick and the Skin meshes have different vertex count.", MB_ICONINFORMATION);
    return;
  }
  if (MessageBoxW(mod->hWndRollout,
                  L"The solver takes into account all the modifier stack deformations from this Fernwick down to "
                  L"Skin. It will replace existing Skin weights.\nThe rigg should be in the rest pose now. Do you "
                  L"want to continue?",
                  L"Fernwick", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;

  const int startFrame = mod->GetIntParam(pb_startFrame);
  const int endFrame = mod->GetIntParam(pb_endFrame);
  if (endFrame < startFrame) {
    Notice(mod, L"The end frame lies before the start frame: there are no frames to sample.", MB_ICONINFORMATION);
    return;
  }
  const int ticksPerFrame = TIME_TICKSPERSEC / ip->GetFrameRate();
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const int threadCount = info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 4;

  ip->PushPrompt(L"Collecting DeltaMush samples... 1/3");
  const std::vector<std::vector<Point3>> samples = CollectPoseSamples(node, position, startFrame, endFrame, ticksPerFrame);
  ip->SetTime(now, TRUE);
  // A frame whose mesh lost vertices cannot be compared: stop before anything changes.
  for (size_t f = 0; f < samples.size(); ++f)
    if (static_cast<int>(samples[f].size()) < vertexCount) {
      ip->PopPrompt();
      wchar_t text[160];
      std::swprintf(text, 160, L"At frame %d the mesh has %d vertices instead of %d. Nothing was changed.",
                    startFrame + static_cast<int>(f), static_cast<int>(samples[f].size()), vertexCount);
      Notice(mod, text, MB_ICONEXCLAMATION);
      return;
    }

  const std::vector<std::unique_ptr<BoneMesh>> boneMeshes = BuildBoneMeshes(skin.skin, now);
  SwitchModifiersAboveSkin(node, skin.mod, false);

  std::vector<Point3> restPositions;
  const bool restOk = CaptureRestPositions(node, now, vertexCount, restPositions);
  ip->PopPrompt();
  if (!restOk) {
    SwitchModifiersAboveSkin(node, skin.mod, true);
    Notice(mod, L"The Skin modifier's output has fewer vertices than the rest state. Nothing was changed.",
           MB_ICONEXCLAMATION);
    return;
  }

  // Candidate bones by distance in the rest pose.
  std::vector<BoneGeometry> bones(boneCount);
  std::vector<void*> boneNodes(boneCount);
  for (int b = 0; b < boneCount; ++b) {
    INode* bone = skin.skin->GetBone(b);
    boneNodes[b] = bone;
    bones[b].objectTM = bone ? bone->GetObjectTM(now) : Matrix3();
    bones[b].mesh = boneMeshes[b].get();
  }
  ip->PushPrompt(L"Calculating distances... 2/3");
  const std::vector<float> distances =
      ComputeBoneDistances(restPositions.data(), vertexCount, bones.data(), boneCount, [ip](int percent) {
        wchar_t text[64];
        std::swprintf(text, 64, L"Calculating distances... 2/3 (%d %c)", percent, L'%');
        ReplacePrompt(ip, text);
      });
  const CandidateBones candidates =
      SelectCandidateBones(distances.data(), vertexCount, boneCount, boneNodes.data(), mod->GetIntParam(pb_boneLimit));
  const std::vector<int> candidateIndices = CandidateBoneIndices(candidates.candidates, candidates.candidateCount);

  const int frameCount = endFrame - startFrame + 1;
  std::vector<Matrix3> frameBoneTMs;
  for (int f = 0; f < frameCount; ++f) {
    const std::vector<Matrix3> tms = BoneTransforms(skin.skin, (startFrame + f) * ticksPerFrame);
    frameBoneTMs.insert(frameBoneTMs.end(), tms.begin(), tms.end());
  }
  const int iterations = mod->GetIntParam(pb_solverIterations);
  SaveUndoWeights(mod, skin.context, vertexCount);
  const std::vector<Matrix3> restBoneTMs = BoneTransforms(skin.skin, now);

  std::vector<const Point3*> samplePtrs(frameCount);
  for (int f = 0; f < frameCount; ++f) samplePtrs[f] = samples[f].data();
  WeightSolveInput in;
  in.vertexCount = vertexCount;
  in.boneCount = boneCount;
  in.frameCount = frameCount;
  in.samples = samplePtrs.data();
  in.restPositions = restPositions.data();
  in.restBoneTMs = restBoneTMs.data();
  in.frameBoneTMs = frameBoneTMs.data();
  in.candidateBones = candidateIndices.data();
  in.candidateCount = candidates.candidateCount;
  WeightSearchOptions options;
  options.solverIterations = iterations;
  options.threadCount = threadCount;
  options.progress = [ip](const SolveProgress& p) {
    wchar_t text[96];
    std::swprintf(text, 96, L"Solving weights... 3/3 (%d %c), seconds remaining: %d", p.percent, L'%',
                  p.secondsRemaining);
    ReplacePrompt(ip, text);
  };
  const SkinContextWeights query(skin.context);
  const WeightSolveResult result = SolveWeights(in, query, options);
  ip->PopPrompt();

  if (result.status == WeightSolveStatus::HeaviestBoneMissing) {
    INode* bone = result.errorBone >= 0 ? skin.skin->GetBone(result.errorBone) : nullptr;
    const std::wstring name = bone ? bone->GetName() : L"";
    wchar_t text[512];
    std::swprintf(text, 512,
                  L"Bone %-ls with maximum vertex %d weight is not among its %d nearest bones. Check your initial "
                  L"skin weights or increase the \"Bone affect limit\" value.",
                  name.c_str(), result.errorVertex, candidates.candidateCount);
    Notice(mod, text, MB_ICONEXCLAMATION);
  }
  if (result.status == WeightSolveStatus::InvalidInput)
    Notice(mod, L"The solve inputs do not fit together. Nothing was written.", MB_ICONEXCLAMATION);
  SwitchModifiersAboveSkin(node, skin.mod, true);
  if (result.status != WeightSolveStatus::Solved) return;

  WriteSolvedWeights(node, skin.importData, candidates, result.weights);
  skin.mod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  RunHostScript(kSolveClosingScript);
}
