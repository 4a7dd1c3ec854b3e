#include "mnmesh.h"

int MNMesh::NewFace(const std::vector<int>& corners) {
  MNFace face;
  face.vtx = corners;
  face.deg = static_cast<int>(corners.size());
  f.push_back(std::move(face));
  numf = static_cast<int>(f.size());
  return numf - 1;
}

int MNMesh::TriNum() const {
  int n = 0;
  for (const MNFace& face : f)
    if (face.deg >= 3) n += face.deg - 2;
  return n;
}

void MNMesh::getVerticesByFlag(BitArray& out, DWORD flag, DWORD mask) const {
  out.SetSize(numv);
  const DWORD test = flag | mask;
  for (int i = 0; i < numv; ++i)
    if ((v[i].flags & test) == flag) out.Set(i);
}

void MNMesh::OutToTri(Mesh& out) const {
  out.setNumVerts(numv);
  for (int i = 0; i < numv; ++i) out.verts[i] = v[i].p;
  out.setNumFaces(TriNum());
  const MNMap* colours = M(0);
  if (colours && colours->numv > 0) {
    out.setNumVertCol(colours->numv);
    for (int i = 0; i < colours->numv; ++i) out.vertCol[i] = colours->v[i];
  }
  int t = 0;
  for (int fi = 0; fi < numf; ++fi) {
    const MNFace& face = f[fi];
    for (int k = 1; k + 1 < face.deg; ++k, ++t) {
      Face& tri = out.faces[t];
      tri.setVerts(face.vtx[0], face.vtx[k], face.vtx[k + 1]);
      tri.setEdgeVisFlags(k == 1, true, k + 2 == face.deg);
      if (out.numCVerts > 0 && fi < static_cast<int>(colours->f.size())) {
        const MNMapFace& mf = colours->f[fi];
        if (mf.deg == face.deg) {
          out.vcFace[t].t[0] = mf.tv[0];
          out.vcFace[t].t[1] = mf.tv[k];
          out.vcFace[t].t[2] = mf.tv[k + 1];
        }
      }
    }
  }
  out.selLevel = selLevel == MNM_SL_VERTEX ? MESH_VERTEX : MESH_OBJECT;
  for (int i = 0; i < numv; ++i) out.vertSel.Set(i, (v[i].flags & MN_SEL) != 0);
}
