// Stand-in host polygon mesh.
#pragma once
#include <vector>

#include "bitarray.h"
#include "mesh.h"
#include "point3.h"

constexpr DWORD MN_SEL = 1u << 0;  // vertex flag: selected

// Selection levels of a polygon mesh.
constexpr int MNM_SL_OBJECT = 0;
constexpr int MNM_SL_VERTEX = 1;
constexpr int MNM_SL_EDGE = 2;
constexpr int MNM_SL_FACE = 3;

struct MNVert {
  Point3 p;
  DWORD flags = 0;
};

struct MNFace {
  std::vector<int> vtx;  // corner vertex indices
  int deg = 0;
};

// A map channel: values plus per-face corner indices into them.
struct MNMapFace {
  std::vector<int> tv;
  int deg = 0;
};
struct MNMap {
  int numv = 0;
  std::vector<Point3> v;       // per map vertex
  std::vector<MNMapFace> f;    // per polygon face
};

class MNMesh {
 public:
  int numv = 0;
  int numf = 0;
  std::vector<MNVert> v;   // per vertex
  std::vector<MNFace> f;   // per face
  int selLevel = MNM_SL_OBJECT;

  void setNumVerts(int n) {
    v.resize(n > 0 ? n : 0);
    numv = static_cast<int>(v.size());
    if (softSelSupported_) softSel_.resize(numv, 0.0f);
  }
  int VNum() const { return numv; }
  int FNum() const { return numf; }
  Point3& P(int i) { return v[i].p; }
  const Point3& P(int i) const { return v[i].p; }
  int NewFace(const std::vector<int>& corners);

  // The number of triangles the polygons make (a polygon of degree d makes d-2).
  int TriNum() const;

  // Map channel 0 holds vertex colours; nullptr when absent.
  void SetMapNum(int n) { maps_.resize(n > 0 ? n : 0); }
  int MNum() const { return static_cast<int>(maps_.size()); }
  MNMap* M(int channel) { return channel >= 0 && channel < MNum() ? &maps_[channel] : nullptr; }
  const MNMap* M(int channel) const { return channel >= 0 && channel < MNum() ? &maps_[channel] : nullptr; }

  // Sets bit i for each vertex whose flags & (flag | mask) == flag.
  void getVerticesByFlag(BitArray& out, DWORD flag, DWORD mask = 0) const;

  bool vDataSupport(int channel) const { return channel == VDATA_SELECT && softSelSupported_; }
  void setVDataSupport(int channel, bool on = true) {
    if (channel != VDATA_SELECT) return;
    softSelSupported_ = on;
    softSel_.assign(on ? numv : 0, 0.0f);
  }
  float* vertexFloat(int channel) { return vDataSupport(channel) && !softSel_.empty() ? softSel_.data() : nullptr; }
  const float* vertexFloat(int channel) const { return vDataSupport(channel) && !softSel_.empty() ? softSel_.data() : nullptr; }

  void InvalidateGeomCache() { ++geomCacheVersion; }
  int geomCacheVersion = 0;

  // Fan triangulation; inner diagonals hidden so polygon edges stay visible.
  void OutToTri(Mesh& out) const;

 private:
  std::vector<MNMap> maps_;
  std::vector<float> softSel_;
  bool softSelSupported_ = false;
};
