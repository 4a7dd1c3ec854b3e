// Sampling of glTF animation channels, independent of the file.
#pragma once
#include <vector>

enum class GltfInterpolation { kStep, kLinear, kCubicSpline };

// A keyed channel: times ascending; values hold width floats per key, or for
// cubic splines 3 * width per key (in-tangent, value, out-tangent).
struct GltfKeyedChannel {
  std::vector<float> times;
  std::vector<float> values;
  int width = 3;  // 3 for translation and scale, 4 for rotation
  GltfInterpolation interpolation = GltfInterpolation::kLinear;
};

// The channel's value at time t into out[0..width). Before the first key and
// after the last the end values hold. Rotations (width 4) interpolate along
// the shortest arc and come out normalised.
void SampleGltfChannel(const GltfKeyedChannel& channel, float t, float* out);
