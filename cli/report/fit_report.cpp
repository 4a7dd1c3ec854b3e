#include "cli/report/fit_report.h"

#include <cmath>

#include "frame/fernwick_ids.h"
#include "sdk/derived_object.h"
#include "sdk/interface.h"
#include "sdk/tri_object.h"
#include "tools/node_ops.h"

namespace {

std::vector<Modifier*> Fernwicks(INode* node) {
  std::vector<Modifier*> out;
  ForEachModifier(node, [&](Modifier* m, int) {
    if (m->ClassID() == FERNWICK_CLASS_ID) out.push_back(m);
    return true;
  });
  return out;
}

}  // namespace

PoseFrames SampleNode(INode* node, int startFrame, int endFrame, bool deltaMush) {
  std::vector<Modifier*> mods = Fernwicks(node);
  std::vector<bool> wasOn;
  for (Modifier* m : mods) {
    wasOn.push_back(m->IsEnabled() != FALSE);
    if (deltaMush) m->EnableMod();
    else m->DisableMod();
  }
  PoseFrames frames;
  const int tpf = GetTicksPerFrame();
  for (int f = startFrame; f <= endFrame; ++f) {
    const TimeValue t = f * tpf;
    std::vector<Point3> pos;
    Object* obj = node->EvalWorldState(t).obj;
    if (obj && obj->CanConvertToType(triObjectClassID)) {
      Object* tri = obj->ConvertToType(t, triObjectClassID);
      const Mesh& m = static_cast<TriObject*>(tri)->GetMesh();
      const Matrix3 tm = node->GetObjectTM(t);
      for (int i = 0; i < m.numVerts; ++i) pos.push_back(tm.PointTransform(m.verts[i]));
      if (tri != obj) tri->DeleteMe();
    }
    frames.push_back(std::move(pos));
  }
  for (size_t i = 0; i < mods.size(); ++i) {
    if (wasOn[i]) mods[i]->EnableMod();
    else mods[i]->DisableMod();
  }
  return frames;
}

FitStats CompareFrames(const PoseFrames& skinned, const PoseFrames& target) {
  FitStats s;
  double sum = 0, sumSq = 0;
  long count = 0;
  for (size_t f = 0; f < skinned.size() && f < target.size(); ++f) {
    const size_t n = std::min(skinned[f].size(), target[f].size());
    if (s.perVertexMax.size() < n) s.perVertexMax.resize(n, 0.0f);
    for (size_t v = 0; v < n; ++v) {
      const double d = (skinned[f][v] - target[f][v]).Length();
      sum += d;
      sumSq += d * d;
      ++count;
      s.perVertexMax[v] = std::max(s.perVertexMax[v], static_cast<float>(d));
      if (d > s.max || s.worstVertex < 0) {
        s.max = d;
        s.worstVertex = static_cast<int>(v);
        s.worstFrame = static_cast<int>(f);
      }
    }
  }
  if (count > 0) {
    s.mean = sum / count;
    s.rms = std::sqrt(sumSq / count);
  }
  return s;
}

void PrintFit(std::ostream& out, const char* label, const FitStats& s) {
  out << "  " << label << ": mean " << s.mean << ", RMS " << s.rms << ", max " << s.max;
  if (s.worstVertex >= 0) out << " (vertex " << s.worstVertex << ", frame offset " << s.worstFrame << ")";
  out << "\n";
}

void PrintClipFit(std::ostream& out, const ClipFit& fit) {
  out << "  \"" << fit.name << "\" (" << (fit.trained ? "trained on" : "held out") << ", " << fit.frames
      << " frames): RMS " << fit.before.rms << " -> " << fit.after.rms;
  if (fit.before.rms > 0) out << " (ratio " << fit.after.rms / fit.before.rms << ")";
  out << ", largest " << fit.before.max << " -> " << fit.after.max << "\n";
}
