// The per-clip fit a bake reports, and the same figures worked out
// independently from the files: linear skinning of each file's weights as
// glTF defines it (in double precision; weights that do not sum to one are
// divided by their sum, as three.js's loader does), against the Delta Mush
// frames that `fernwick deform --gltf` writes for the clip.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/files/obj_file.h"
#include "cli/gltf/gltf_character.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

// "RMS a -> b (ratio r), largest c -> d" as numbers.
struct Figures {
  double rmsBefore = -1, rmsAfter = -1, maxBefore = -1, maxAfter = -1;
};

inline Figures ParseFigures(const std::string& figures) {
  Figures f;
  std::sscanf(figures.c_str(), "RMS %lf -> %lf", &f.rmsBefore, &f.rmsAfter);
  const size_t at = figures.find("largest ");
  if (at != std::string::npos) std::sscanf(figures.c_str() + at, "largest %lf -> %lf", &f.maxBefore, &f.maxAfter);
  return f;
}

struct ClipLine {
  std::string status;   // "trained on" or "held out"
  int frames = 0;
  std::string figures;  // everything after "frames): "
  std::map<std::string, std::string> meshes;  // per mesh's own line, when there are several
};

// The "Fit per clip" lines of a bake's output, by clip name.
inline std::map<std::string, ClipLine> ClipLines(const std::string& text) {
  std::map<std::string, ClipLine> lines;
  std::istringstream in(text);
  std::string line;
  ClipLine* last = nullptr;
  while (std::getline(in, line)) {
    if (last && line.rfind("    \"", 0) == 0) {
      const size_t close = line.find("\": ", 5);
      if (close != std::string::npos) last->meshes[line.substr(5, close - 5)] = line.substr(close + 3);
      continue;
    }
    last = nullptr;
    if (line.rfind("  \"", 0) != 0) continue;
    const size_t close = line.find("\" (", 3), comma = line.find(", ", close), colon = line.find("frames): ");
    if (close == std::string::npos || comma == std::string::npos || colon == std::string::npos) continue;
    last = &lines[line.substr(3, close - 3)];
    *last = {line.substr(close + 3, comma - close - 3), std::atoi(line.c_str() + comma + 2), line.substr(colon + 9), {}};
  }
  return lines;
}

// Skinned positions of a mesh's welded vertices with the joints at these
// world transforms (per character joint).
inline std::vector<std::array<double, 3>> GltfSkinned(const GltfSkinnedMesh& m, const std::vector<Matrix3>& joints) {
  std::vector<std::array<double, 3>> out(m.positions.size(), {0, 0, 0});
  for (size_t v = 0; v < m.positions.size(); ++v) {
    double total = 0;
    for (auto [slot, w] : m.weights[v]) total += w;
    for (auto [slot, w] : m.weights[v]) {
      const Matrix3 s = m.inverseBind[slot] * joints[m.joints[slot]];
      const Point3& p = m.positions[v];
      for (int k = 0; k < 3; ++k)
        out[v][k] += w / total * (double(p.x) * s[0][k] + double(p.y) * s[1][k] + double(p.z) * s[2][k] + s[3][k]);
    }
  }
  return out;
}

struct RecomputedFit {
  Figures whole;
  std::map<std::string, Figures> meshes;
  double size = 0;  // the diagonal of the character's box at the clip's first frame
};

// The fit of source's and baked's skins to the Delta Mush of one clip, with
// Delta Mush as `deformArgs` (e.g. "--iter 4") sets it.
inline RecomputedFit RecomputeClipFit(const std::string& source, const std::string& baked, const std::string& clip,
                                      const std::string& deformArgs, const TempDir& dir) {
  RecomputedFit fit;
  const std::string folder = dir.File("mush_" + std::to_string(std::hash<std::string>()(clip)));
  std::filesystem::create_directories(folder);
  std::string output;
  EXPECT_EQ(RunFernwickIn(dir.path.string(), "deform --gltf '" + source + "' -o '" + folder + "' --animation '" + clip +
                                                  "' " + deformArgs,
                          output),
            0)
      << output;
  GltfCharacter files[2];
  std::string error;
  EXPECT_TRUE(ReadGltfCharacter(source, {}, files[0], error)) << error;
  EXPECT_TRUE(ReadGltfCharacter(baked, {}, files[1], error)) << error;
  const GltfCharacter& c = files[0];
  int a = -1;
  for (size_t i = 0; i < c.animations.size(); ++i)
    if (c.animations[i].name == clip) a = static_cast<int>(i);
  if (a < 0 || files[1].meshes.size() != c.meshes.size()) {
    ADD_FAILURE() << "no clip " << clip << " or the meshes differ";
    return fit;
  }
  struct Sums {
    double sq[2] = {0, 0}, max[2] = {0, 0};
    long n = 0;
    Figures Done() const {
      return {std::sqrt(sq[0] / n), std::sqrt(sq[1] / n), max[0], max[1]};
    }
  } whole;
  std::vector<Sums> perMesh(c.meshes.size());
  for (int f = 0; f < c.animations[a].frameCount; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%04d.obj", f + 1);
    ObjModel mush;
    if (!ReadObjFile(folder + name, mush, error)) {
      ADD_FAILURE() << error;
      return fit;
    }
    const std::vector<Matrix3> joints = GltfJointWorldAtFrame(c, c.animations[a], f);
    size_t base = 0;
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (size_t m = 0; m < c.meshes.size(); ++m) {
      const auto before = GltfSkinned(c.meshes[m], joints), after = GltfSkinned(files[1].meshes[m], joints);
      for (const auto& p : before)
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
      for (size_t v = 0; v < before.size(); ++v) {
        const Point3& t = mush.positions.at(base + v);
        for (int k = 0; k < 2; ++k) {
          const auto& p = k == 0 ? before[v] : after[v];
          const double d = std::sqrt(std::pow(p[0] - t.x, 2) + std::pow(p[1] - t.y, 2) + std::pow(p[2] - t.z, 2));
          for (Sums* s : {&whole, &perMesh[m]}) s->sq[k] += d * d, s->max[k] = std::max(s->max[k], d);
        }
        ++whole.n, ++perMesh[m].n;
      }
      base += before.size();
    }
    if (f == 0) fit.size = std::sqrt(std::pow(hi[0] - lo[0], 2) + std::pow(hi[1] - lo[1], 2) + std::pow(hi[2] - lo[2], 2));
  }
  fit.whole = whole.Done();
  for (size_t m = 0; m < c.meshes.size(); ++m) fit.meshes[c.meshes[m].name] = perMesh[m].Done();
  return fit;
}

// Reported against recomputed, each figure within `tolerance` of itself or,
// for distances at the level of float rounding, 1e-6 of the character's size.
inline void ExpectSameFigures(const Figures& reported, const Figures& recomputed, double tolerance, double size,
                              const std::string& what) {
  auto near = [&](double value) { return std::max(tolerance * value, 1e-6 * size); };
  EXPECT_NEAR(reported.rmsBefore, recomputed.rmsBefore, near(recomputed.rmsBefore)) << what;
  EXPECT_NEAR(reported.rmsAfter, recomputed.rmsAfter, near(recomputed.rmsAfter)) << what;
  EXPECT_NEAR(reported.maxBefore, recomputed.maxBefore, near(recomputed.maxBefore)) << what;
  EXPECT_NEAR(reported.maxAfter, recomputed.maxAfter, near(recomputed.maxAfter)) << what;
}

// The baked skin fits Delta Mush better, wherever Delta Mush moves the mesh
// by more than rounding.
inline void ExpectFitsBetter(const Figures& f, double size, const std::string& what) {
  if (f.maxBefore > 1e-5 * size) {
    EXPECT_LT(f.rmsAfter, f.rmsBefore) << what;
  }
}
