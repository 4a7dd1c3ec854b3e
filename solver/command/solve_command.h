// The "Solve Skin weights" and "Undo" commands of the rollout.
#pragma once

class Fernwick;

// Replaces the weights of the Skin below the modifier with weights whose
// linear skinning reproduces the stack's output over the frame range.
void SolveSkinWeights(Fernwick* mod);

// Writes the weights saved before the last solve back into the Skin.
void RestoreSkinWeights(Fernwick* mod);
