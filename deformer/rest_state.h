// The captured rest state of the Delta Mush deformer. Every per-vertex array has
// restMesh->numVerts entries, indexed by rest-mesh vertex.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "../sdk/mesh.h"
#include "../sdk/point3.h"
#include "neighbor_lists.h"

struct RestState {
  std::unique_ptr<Mesh> restMesh;   // captured mesh, or none
  std::vector<Point3> smoothedRest; // per vertex: rest positions after `iter` passes
  NeighborLists neighbors;          // per vertex: neighbours along visible edges
  std::vector<std::uint8_t> fixedVerts;  // per vertex: 1 = fixed boundary vertex
  std::vector<Point3> workPos;      // per vertex: scratch (accumulator, then target)
  std::vector<Point3> inputPos;     // per vertex: unsmoothed input of this evaluation
  int cachedIter = -1;
  float cachedWeight = -1.0f;
  std::vector<int> colorMap;        // per vertex: colour-vertex index, -1 = none
  int colorMapKey = -1;             // colour-vertex count the map was built for
  bool colorMapFromTri = false;     // built by the triangle path

  // Derived with smoothedRest (not saved): each vertex's captured position in
  // its smoothed rest frame, and whether that frame exists.
  std::vector<Point3> restLocal;         // per vertex
  std::vector<std::uint8_t> restFrameOk; // per vertex: 1 = frame built

  int NumVerts() const { return restMesh ? restMesh->numVerts : 0; }
};
