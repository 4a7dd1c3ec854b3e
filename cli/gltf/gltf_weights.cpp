#include "cli/gltf/gltf_weights.h"

#include <algorithm>
#include <cmath>

#include "cli/gltf/gltf_weld.h"

namespace {

double UnitsPerOne(GltfWeightFormat format) {
  return format == GltfWeightFormat::kUnorm16 ? 65535.0 : format == GltfWeightFormat::kUnorm8 ? 255.0 : 0.0;
}

}  // namespace

bool ParseGltfWeightFormat(const std::string& text, GltfWeightFormat& format) {
  if (text == "float") format = GltfWeightFormat::kFloat;
  else if (text == "unorm16") format = GltfWeightFormat::kUnorm16;
  else if (text == "unorm8") format = GltfWeightFormat::kUnorm8;
  else return false;
  return true;
}

const char* GltfWeightFormatName(GltfWeightFormat format) {
  return format == GltfWeightFormat::kUnorm16 ? "unorm16" : format == GltfWeightFormat::kUnorm8 ? "unorm8" : "float";
}

std::vector<std::pair<int, float>> StoredInfluences(std::vector<std::pair<int, float>> weights, int maxInfluences,
                                                    GltfWeightFormat format) {
  std::vector<std::pair<int, float>> w = TidyInfluences(std::move(weights));
  std::stable_sort(w.begin(), w.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  if (static_cast<int>(w.size()) > maxInfluences) w.resize(std::max(0, maxInfluences));
  double sum = 0;
  for (const auto& p : w) sum += p.second;
  if (w.empty() || !(sum > 0) || !std::isfinite(sum)) return {};
  const double units = UnitsPerOne(format);
  if (units == 0) {
    float rest = 1.0f;
    for (size_t k = 1; k < w.size(); ++k) {
      w[k].second = static_cast<float>(w[k].second / sum);
      rest -= w[k].second;
    }
    w[0].second = rest;  // the residue goes to the largest, so the floats sum to one
    return w;
  }
  // Largest remainders: round every share down, then hand out the units left.
  std::vector<long> count(w.size());
  std::vector<std::pair<double, size_t>> remainder(w.size());
  long given = 0;
  for (size_t k = 0; k < w.size(); ++k) {
    const double exact = w[k].second / sum * units;
    count[k] = static_cast<long>(std::floor(exact));
    given += count[k];
    remainder[k] = {exact - count[k], k};
  }
  std::stable_sort(remainder.begin(), remainder.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (long left = static_cast<long>(units) - given, i = 0; left > 0; --left, ++i) ++count[remainder[i % w.size()].second];
  std::vector<std::pair<int, float>> out;
  for (size_t k = 0; k < w.size(); ++k)
    if (count[k] > 0) out.push_back({w[k].first, static_cast<float>(count[k] / units)});
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  return out;
}

int StoredUnits(float weight, GltfWeightFormat format) {
  return static_cast<int>(std::lround(weight * UnitsPerOne(format)));
}
