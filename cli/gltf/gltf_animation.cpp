// Animation sampling and the joints' world transforms per frame.
#include "cli/gltf/gltf_animation.h"

#include <algorithm>
#include <cmath>

#include "cli/gltf/gltf_character.h"

namespace {

void Normalise4(float* q) {
  const float len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (len > 0)
    for (int i = 0; i < 4; ++i) q[i] /= len;
}

void Slerp(const float* a, const float* b, float u, float* out) {
  float d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
  float sign = 1.0f;
  if (d < 0) {
    d = -d;
    sign = -1.0f;
  }
  float wa = 1.0f - u, wb = u;
  if (d < 0.9995f) {
    const float theta = std::acos(d), s = std::sin(theta);
    wa = std::sin((1.0f - u) * theta) / s;
    wb = std::sin(u * theta) / s;
  }
  for (int i = 0; i < 4; ++i) out[i] = wa * a[i] + sign * wb * b[i];
  Normalise4(out);
}

}  // namespace

void SampleGltfChannel(const GltfKeyedChannel& ch, float t, float* out) {
  const int w = ch.width;
  const bool cubic = ch.interpolation == GltfInterpolation::kCubicSpline;
  const int stride = cubic ? 3 * w : w;
  const int valueOffset = cubic ? w : 0;
  const int n = int(ch.times.size());
  auto value = [&](int k) { return ch.values.data() + k * stride + valueOffset; };
  if (n == 0) return;
  if (t <= ch.times[0] || n == 1) {
    std::copy(value(0), value(0) + w, out);
    return;
  }
  if (t >= ch.times[n - 1]) {
    std::copy(value(n - 1), value(n - 1) + w, out);
    return;
  }
  const int k = int(std::upper_bound(ch.times.begin(), ch.times.end(), t) - ch.times.begin()) - 1;
  const float t0 = ch.times[k], dt = ch.times[k + 1] - t0;
  const float u = dt > 0 ? (t - t0) / dt : 0.0f;
  switch (ch.interpolation) {
    case GltfInterpolation::kStep:
      std::copy(value(k), value(k) + w, out);
      return;
    case GltfInterpolation::kLinear:
      if (w == 4) {
        Slerp(value(k), value(k + 1), u, out);
      } else {
        for (int i = 0; i < w; ++i) out[i] = value(k)[i] + u * (value(k + 1)[i] - value(k)[i]);
      }
      return;
    case GltfInterpolation::kCubicSpline: {
      const float* p0 = value(k);
      const float* b0 = ch.values.data() + k * stride + 2 * w;  // out-tangent of key k
      const float* p1 = value(k + 1);
      const float* a1 = ch.values.data() + (k + 1) * stride;    // in-tangent of key k+1
      const float u2 = u * u, u3 = u2 * u;
      const float h00 = 2 * u3 - 3 * u2 + 1, h10 = u3 - 2 * u2 + u, h01 = -2 * u3 + 3 * u2, h11 = u3 - u2;
      for (int i = 0; i < w; ++i) out[i] = h00 * p0[i] + h10 * dt * b0[i] + h01 * p1[i] + h11 * dt * a1[i];
      if (w == 4) Normalise4(out);
      return;
    }
  }
}

std::vector<Matrix3> GltfNodeWorldAtFrame(const GltfCharacter& c, const GltfAnimation& a, int frame) {
  std::vector<Matrix3> local(c.nodes.size());
  for (size_t i = 0; i < c.nodes.size(); ++i) local[i] = c.nodes[i].restLocal;
  for (const GltfNodeTrack& tr : a.tracks) {
    if (tr.frames.empty()) continue;
    const int f = std::clamp(frame, 0, int(tr.frames.size()) - 1);
    local[tr.node] = GltfTrsToMatrix3(tr.frames[f]);
  }
  // Parents may come after children in the file: resolve by walking up.
  std::vector<Matrix3> world(c.nodes.size());
  std::vector<char> done(c.nodes.size(), 0);
  for (size_t i = 0; i < c.nodes.size(); ++i) {
    std::vector<int> chain;
    for (int n = int(i); n >= 0 && !done[n]; n = c.nodes[n].parent) chain.push_back(n);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const int p = c.nodes[*it].parent;
      world[*it] = p >= 0 ? local[*it] * world[p] : local[*it];
      done[*it] = 1;
    }
  }
  return world;
}

std::vector<Matrix3> GltfJointRestWorld(const GltfCharacter& c) {
  std::vector<Matrix3> out;
  out.reserve(c.joints.size());
  for (const GltfJoint& j : c.joints) out.push_back(c.nodes[j.node].restWorld);
  return out;
}

std::vector<Matrix3> GltfJointWorldAtFrame(const GltfCharacter& c, const GltfAnimation& a, int frame) {
  const std::vector<Matrix3> world = GltfNodeWorldAtFrame(c, a, frame);
  std::vector<Matrix3> out;
  out.reserve(c.joints.size());
  for (const GltfJoint& j : c.joints) out.push_back(world[j.node]);
  return out;
}
