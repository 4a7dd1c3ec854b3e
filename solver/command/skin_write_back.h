// The undo copy of the Skin weights and the write-back of solved weights.
#pragma once
#include <vector>

#include "../../host/skin_access.h"
#include "../candidate_bones.h"

class Fernwick;

// The closing script of a solve: switches this plug-in's modifiers on the
// selected object off and selects the object afresh.
extern const MCHAR* const kSolveClosingScript;

void SaveUndoWeights(Fernwick* mod, ISkinContextData* contextData, int vertexCount);

// weights: vertexCount rows of L weights in candidate order.
void WriteSolvedWeights(INode* node, ISkinImportData* importData, const CandidateBones& candidates,
                        const std::vector<float>& weights);
