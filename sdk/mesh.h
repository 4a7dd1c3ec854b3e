// Stand-in host triangle mesh.
#pragma once
#include <cstdint>
#include <vector>

#include "bitarray.h"
#include "point3.h"

using DWORD = std::uint32_t;
using VertColor = Point3;

// Edge visibility bits: edge j runs from corner j to corner (j+1) % 3.
constexpr DWORD EDGE_A = 1u << 0;
constexpr DWORD EDGE_B = 1u << 1;
constexpr DWORD EDGE_C = 1u << 2;
constexpr DWORD EDGE_ALL = EDGE_A | EDGE_B | EDGE_C;

// Selection levels of a triangle mesh.
constexpr DWORD MESH_OBJECT = 1u << 0;
constexpr DWORD MESH_VERTEX = 1u << 1;
constexpr DWORD MESH_FACE = 1u << 2;
constexpr DWORD MESH_EDGE = 1u << 3;

constexpr int VDATA_SELECT = 0;  // vertex data channel of soft-selection weights

// The host's 20-byte face record.
struct Face {
  DWORD v[3] = {0, 0, 0};
  DWORD smGroup = 0;
  DWORD flags = 0;

  void setVerts(DWORD a, DWORD b, DWORD c) { v[0] = a; v[1] = b; v[2] = c; }
  void setEdgeVisFlags(bool va, bool vb, bool vc) {
    flags = (flags & ~EDGE_ALL) | (va ? EDGE_A : 0) | (vb ? EDGE_B : 0) | (vc ? EDGE_C : 0);
  }
  bool getEdgeVis(int j) const { return (flags >> j) & 1u; }
};
static_assert(sizeof(Face) == 20, "face record is the host's 20-byte layout");

// Colour-vertex indices of one face.
struct TVFace {
  DWORD t[3] = {0, 0, 0};
};

class Mesh {
 public:
  int numVerts = 0;
  int numFaces = 0;
  int numCVerts = 0;
  std::vector<Point3> verts;     // per vertex
  std::vector<Face> faces;       // per face
  std::vector<VertColor> vertCol;  // per colour vertex (channel 0)
  std::vector<TVFace> vcFace;      // per face, when numCVerts > 0
  DWORD selLevel = MESH_OBJECT;
  BitArray vertSel;              // per vertex

  bool setNumVerts(int n, bool keep = false, bool synchSel = true);
  bool setNumFaces(int n, bool keep = false, bool synchSel = true);
  bool setNumVertCol(int n, bool keep = false);
  int getNumVerts() const { return numVerts; }
  int getNumFaces() const { return numFaces; }
  Point3& getVert(int i) { return verts[i]; }
  const Point3& getVert(int i) const { return verts[i]; }
  void setVert(int i, const Point3& p) { verts[i] = p; }

  // Vertex data channels (channel 0: soft-selection weights).
  bool vDataSupport(int channel) const;
  void setVDataSupport(int channel, bool on = true);
  float* vertexFloat(int channel);
  const float* vertexFloat(int channel) const;

  // One bit per face edge, bit 3f+j for edge j of face f, set when no other
  // face has an edge joining the same two vertices.
  void FindOpenEdges(BitArray& edges) const;

  void InvalidateGeomCache() { ++geomCacheVersion; }
  int geomCacheVersion = 0;

 private:
  std::vector<float> softSel_;
  bool softSelSupported_ = false;
};
