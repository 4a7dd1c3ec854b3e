#include "remap_dir.h"

RefTargetHandle RemapDir::CloneRef(RefTargetHandle oldTarg) {
  if (!oldTarg) return nullptr;
  if (RefTargetHandle done = FindMapping(oldTarg)) return done;
  RefTargetHandle copy = oldTarg->Clone(*this);
  if (copy) AddEntry(oldTarg, copy);
  return copy;
}

RefTargetHandle RemapDir::FindMapping(RefTargetHandle from) {
  auto it = map_.find(from);
  return it == map_.end() ? nullptr : it->second;
}

void RemapDir::AddEntry(RefTargetHandle hfrom, RefTargetHandle hto) { map_[hfrom] = hto; }
