// Stand-in host: the table of originals and their copies during a clone, so
// that a target referenced twice is cloned once.
#pragma once
#include <map>

#include "reference.h"

class RemapDir {
 public:
  RemapDir() = default;
  RemapDir(const RemapDir&) = delete;
  RemapDir& operator=(const RemapDir&) = delete;
  virtual ~RemapDir() = default;

  // The copy of oldTarg made in this clone operation, cloning it the first time.
  virtual RefTargetHandle CloneRef(RefTargetHandle oldTarg);
  virtual RefTargetHandle FindMapping(RefTargetHandle from);
  virtual void AddEntry(RefTargetHandle hfrom, RefTargetHandle hto);
  virtual void DeleteThis() { delete this; }

 private:
  std::map<RefTargetHandle, RefTargetHandle> map_;
};
