#include "skin_weight_table.h"

#include <algorithm>
#include <cstdint>

#include "chunk_io.h"

namespace {

const std::vector<SkinWeight> kNoPairs;

template <typename T>
IOResult Put(ISave* isave, const T& v) {
  ULONG n = 0;
  return isave->Write(&v, sizeof v, &n);
}

template <typename T>
bool Get(ILoad* iload, T& v) {
  ULONG n = 0;
  return iload->Read(&v, sizeof v, &n) == IO_OK && n == sizeof v;
}

}  // namespace

void SkinWeightTable::SetNumPoints(int n) {
  verts_.resize(n > 0 ? static_cast<size_t>(n) : 0);
  sized_ = true;
}

const std::vector<SkinWeight>& SkinWeightTable::Pairs(int vertex) const {
  return vertex >= 0 && vertex < NumPoints() ? verts_[vertex] : kNoPairs;
}

bool SkinWeightTable::SetPairs(int vertex, std::vector<SkinWeight> pairs) {
  if (vertex < 0 || (sized_ && vertex >= NumPoints())) return false;
  if (vertex >= NumPoints()) verts_.resize(static_cast<size_t>(vertex) + 1);
  verts_[vertex] = std::move(pairs);
  return true;
}

void SkinWeightTable::RemoveBone(int index) {
  for (auto& pairs : verts_) {
    pairs.erase(std::remove_if(pairs.begin(), pairs.end(), [&](const SkinWeight& w) { return w.bone == index; }),
                pairs.end());
    for (SkinWeight& w : pairs)
      if (w.bone > index) --w.bone;
  }
}

bool SkinWeightTable::RefersBeyond(int boneCount) const {
  for (const auto& pairs : verts_)
    for (const SkinWeight& w : pairs)
      if (w.bone < 0 || w.bone >= boneCount) return true;
  return false;
}

void SkinWeightTable::Clear() {
  verts_.clear();
  sized_ = false;
}

// Layout: int32 vertex count, int32 sized flag, then per vertex an int32
// pair count followed by that many (int32 bone, float weight).
IOResult SkinWeightTable::Save(ISave* isave) const {
  IOResult r = Put(isave, static_cast<std::int32_t>(NumPoints()));
  if (r == IO_OK) r = Put(isave, static_cast<std::int32_t>(sized_ ? 1 : 0));
  for (const auto& pairs : verts_) {
    if (r != IO_OK) break;
    r = Put(isave, static_cast<std::int32_t>(pairs.size()));
    for (const SkinWeight& w : pairs) {
      if (r == IO_OK) r = Put(isave, static_cast<std::int32_t>(w.bone));
      if (r == IO_OK) r = Put(isave, w.weight);
    }
  }
  return r;
}

IOResult SkinWeightTable::Load(ILoad* iload) {
  Clear();
  std::int32_t count = 0, sized = 0;
  if (!Get(iload, count) || !Get(iload, sized) || count < 0) return IO_ERROR;
  // Each vertex takes at least its pair count, so a count larger than the
  // chunk is corrupt; checking first keeps a bad file from a huge resize.
  if (static_cast<ULONG>(count) > iload->CurChunkLength() / sizeof(std::int32_t)) return IO_ERROR;
  std::vector<std::vector<SkinWeight>> verts(static_cast<size_t>(count));
  for (auto& pairs : verts) {
    std::int32_t n = 0;
    if (!Get(iload, n) || n < 0) return IO_ERROR;
    if (static_cast<ULONG>(n) > iload->CurChunkLength() / (2 * sizeof(std::int32_t))) return IO_ERROR;
    pairs.resize(static_cast<size_t>(n));
    for (SkinWeight& w : pairs) {
      std::int32_t bone = 0;
      if (!Get(iload, bone) || !Get(iload, w.weight)) return IO_ERROR;
      w.bone = bone;
    }
  }
  verts_ = std::move(verts);
  sized_ = sized != 0;
  return IO_OK;
}
