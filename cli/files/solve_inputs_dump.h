// The solve's inputs in a little-endian file for external tools:
// "FNWKSOLV", u32 version 1, u32 V, F, B, L; f32 restPositions[V][3];
// f32 restBoneTMs[B][4][3]; f32 frameBoneTMs[F][B][4][3]; f32 samples[F][V][3];
// i32 candidates[V][L] (-1 unset); i32 T, i32 faces[T][3].
#pragma once
#include <string>

#include "sdk/inode.h"
#include "sdk/modifier.h"

// Reads the inputs out of the scene as the solve command does (the node's
// topmost Fernwick and first Skin) and writes them atomically.
bool DumpSolveInputs(INode* node, Modifier* fernwick, const std::string& path, std::string& error);
