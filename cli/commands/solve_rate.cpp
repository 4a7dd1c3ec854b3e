#include "cli/commands/solve_rate.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

double SecondsPerSkinningTerm() {
  constexpr int kFrames = 256, kCandidates = 8;
  std::vector<float> d(3 * kFrames * kCandidates), s(3 * kFrames);
  for (size_t i = 0; i < d.size(); ++i) d[i] = std::sin(float(i));
  for (size_t i = 0; i < s.size(); ++i) s[i] = std::cos(float(i));
  float w[kCandidates];
  volatile float sink = 0.0f;
  long long terms = 0;
  const auto start = std::chrono::steady_clock::now();
  std::chrono::duration<double> spent{};
  do {
    for (int rep = 0; rep < 64; ++rep) {
      for (int k = 0; k < kCandidates; ++k) w[k] = 0.125f + 0.001f * float((rep + k) % 7);
      float error = 0.0f;
      for (int f = 0; f < kFrames; ++f) {
        float x = -s[3 * f], y = -s[3 * f + 1], z = -s[3 * f + 2];
        for (int k = 0; k < kCandidates; ++k) {
          const float* dk = &d[3 * (k * kFrames + f)];
          x += w[k] * dk[0];
          y += w[k] * dk[1];
          z += w[k] * dk[2];
        }
        error += std::sqrt(x * x + y * y + z * z);
      }
      sink = sink + error;
      terms += static_cast<long long>(kFrames) * (kCandidates + 4);
    }
    spent = std::chrono::steady_clock::now() - start;
  } while (spent.count() < 0.02);
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  return spent.count() / double(terms) / threads;
}
