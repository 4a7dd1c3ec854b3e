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
  s.count = count;
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

FitStats CombineFits(const std::vector<const FitStats*>& parts) {
  FitStats s;
  double sum = 0, sumSq = 0;
  int offset = 0;
  for (const FitStats* p : parts) {
    sum += p->mean * p->count;
    sumSq += p->rms * p->rms * p->count;
    s.count += p->count;
    if (p->worstVertex >= 0 && (s.worstVertex < 0 || p->max > s.max)) {
      s.max = p->max;
      s.worstVertex = offset + p->worstVertex;
      s.worstFrame = p->worstFrame;
    }
    s.perVertexMax.insert(s.perVertexMax.end(), p->perVertexMax.begin(), p->perVertexMax.end());
    offset += static_cast<int>(p->perVertexMax.size());
  }
  if (s.count > 0) {
    s.mean = sum / s.count;
    s.rms = std::sqrt(sumSq / s.count);
  }
  return s;
}

namespace {

void PrintBeforeAfter(std::ostream& out, const FitStats& before, const FitStats& after) {
  out << "RMS " << before.rms << " -> " << after.rms;
  if (before.rms > 0) out << " (ratio " << after.rms / before.rms << ")";
  out << ", largest " << before.max << " -> " << after.max << "\n";
}

}  // namespace

void PrintClipFit(std::ostream& out, const ClipFit& fit) {
  out << "  \"" << fit.name << "\" (" << (fit.trained ? "trained on" : "held out") << ", " << fit.frames
      << " frames): ";
  PrintBeforeAfter(out, fit.before, fit.after);
}

void PrintMeshClipFit(std::ostream& out, const std::string& mesh, const FitStats& before, const FitStats& after) {
  out << "    \"" << mesh << "\": ";
  PrintBeforeAfter(out, before, after);
}
