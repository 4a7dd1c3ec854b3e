// The local frame of a vertex from its first two neighbours.
#pragma once
#include "../sdk/matrix3.h"
#include "../sdk/point3.h"

// Rows e1, tan, nrm, c. Returns false when the neighbours are coincident or
// collinear with c (no normal) or anything is not finite: such a frame has no
// inverse and must not be used.
inline bool BuildLocalFrame(const Point3& c, const Point3& pa, const Point3& pb, Matrix3& m) {
  const Point3 e1 = Normalize(pa - c);
  const Point3 e2 = Normalize(pb - c);
  const Point3 nrm = Normalize(CrossProd(e1, e2));
  const Point3 tan = Normalize(CrossProd(e1, nrm));
  m.IdentityMatrix();
  m.SetRow(0, e1);
  m.SetRow(1, tan);
  m.SetRow(2, nrm);
  m.SetRow(3, c);
  return nrm.LengthSquared() > 0.0f && IsFinite(e1) && IsFinite(tan) && IsFinite(nrm) && IsFinite(c);
}
