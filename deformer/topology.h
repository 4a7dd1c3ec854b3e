// Neighbour lists and the fixed boundary set of a rest mesh.
#pragma once
#include <cstdint>
#include <vector>

#include "../sdk/mesh.h"
#include "neighbor_lists.h"

// Neighbours along visible edges, by face then edge order; each shared edge once.
// neighbors: out, mesh.numVerts lists.
void BuildNeighbors(const Mesh& mesh, NeighborLists& neighbors);

// fixedVerts: out, mesh.numVerts bytes; 1 for the first corner of each open edge
// when boundFixed is on, else all 0.
void BuildFixedVerts(const Mesh& mesh, bool boundFixed, std::vector<std::uint8_t>& fixedVerts);
