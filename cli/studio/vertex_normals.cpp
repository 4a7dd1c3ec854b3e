#include "cli/studio/vertex_normals.h"

#include <cmath>

void QuantizedVertexNormals(const std::vector<float>& positions, const std::vector<std::uint32_t>& triangles,
                            std::vector<std::int8_t>& normals) {
  const size_t vertices = positions.size() / 3;
  std::vector<float> sum(3 * vertices, 0.0f);
  for (size_t f = 0; f + 2 < triangles.size(); f += 3) {
    const std::uint32_t a = triangles[f], b = triangles[f + 1], c = triangles[f + 2];
    if (a >= vertices || b >= vertices || c >= vertices) continue;
    const float* pa = &positions[3 * a];
    const float* pb = &positions[3 * b];
    const float* pc = &positions[3 * c];
    const float u[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
    const float v[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
    // The cross product's length is twice the area: larger faces weigh more.
    const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    for (std::uint32_t corner : {a, b, c})
      for (int k = 0; k < 3; ++k) sum[3 * corner + k] += n[k];
  }
  normals.resize(3 * vertices);
  for (size_t i = 0; i < vertices; ++i) {
    const float* s = &sum[3 * i];
    const float length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    const float scale = length > 0.0f ? 127.0f / length : 0.0f;
    for (int k = 0; k < 3; ++k) normals[3 * i + k] = static_cast<std::int8_t>(std::lround(s[k] * scale));
  }
}
