// Saving, loading and cloning: the rest mesh and proxyCreated are the
// modifier's own data; everything else is derived again.
#include <cstdint>

#include "../deformer/rest_capture.h"
#include "../sdk/load_log.h"
#include "../sdk/remap_dir.h"
#include "fernwick.h"

namespace {

enum : USHORT { kVertCountChunk = 0, kFaceCountChunk = 1, kVertsChunk = 2, kFacesChunk = 3, kProxyChunk = 4 };

void WriteChunk(ISave* isave, USHORT id, const void* data, ULONG bytes) {
  ULONG written = 0;
  isave->BeginChunk(id);
  if (bytes > 0) isave->Write(data, bytes, &written);
  isave->EndChunk();
}

}  // namespace

IOResult Fernwick::Save(ISave* isave) {
  // Without a rest state the counts are 0 and the arrays empty, which loads
  // back as an empty rest mesh.
  const int numVerts = restMesh ? restMesh->numVerts : 0;
  const int numFaces = restMesh ? restMesh->numFaces : 0;
  WriteChunk(isave, kVertCountChunk, &numVerts, sizeof numVerts);
  WriteChunk(isave, kFaceCountChunk, &numFaces, sizeof numFaces);
  WriteChunk(isave, kVertsChunk, restMesh ? restMesh->verts.data() : nullptr,
             static_cast<ULONG>(sizeof(Point3) * numVerts));
  WriteChunk(isave, kFacesChunk, restMesh ? restMesh->faces.data() : nullptr,
             static_cast<ULONG>(sizeof(Face) * numFaces));
  const int proxy = proxyCreated ? 1 : 0;
  WriteChunk(isave, kProxyChunk, &proxy, sizeof proxy);
  return IO_OK;
}

IOResult Fernwick::Load(ILoad* iload) {
  restMesh = std::make_unique<Mesh>();
  int numVerts = 0, numFaces = 0;
  bool haveVerts = false, haveFaces = false, damaged = false, damagedFlag = false;
  ULONG nread = 0;
  while (iload->OpenChunk() == IO_OK) {
    // Arrays are only allocated once their chunk shows it holds them, so a
    // damaged count cannot ask for more memory than the file has data.
    const std::uint64_t length = iload->CurChunkLength();
    switch (iload->CurChunkID()) {
      case kVertCountChunk:
        iload->Read(&numVerts, sizeof numVerts, &nread);
        break;
      case kFaceCountChunk:
        iload->Read(&numFaces, sizeof numFaces, &nread);
        break;
      case kVertsChunk:
        if (numVerts < 0 || length < sizeof(Point3) * static_cast<std::uint64_t>(numVerts)) {
          damaged = true;
          break;
        }
        restMesh->setNumVerts(numVerts, FALSE, TRUE);
        for (int i = 0; i < numVerts; ++i) iload->Read(&restMesh->verts[i], sizeof(Point3), &nread);
        haveVerts = true;
        break;
      case kFacesChunk:
        if (numFaces < 0 || length < sizeof(Face) * static_cast<std::uint64_t>(numFaces)) {
          damaged = true;
          break;
        }
        restMesh->setNumFaces(numFaces, FALSE, TRUE);
        for (int i = 0; i < numFaces; ++i) iload->Read(&restMesh->faces[i], sizeof(Face), &nread);
        haveFaces = true;
        break;
      case kProxyChunk: {
        // A chunk too short to hold the flag is damage, not a workflow the
        // user started: it leaves proxyCreated as a missing chunk does.
        int value = -1;
        if (iload->Read(&value, sizeof value, &nread) == IO_OK && nread == sizeof value)
          proxyCreated = value != 0;
        else
          damagedFlag = true;
        break;
      }
      default:
        break;
    }
    iload->CloseChunk();
  }
  if ((numVerts != 0 && !haveVerts) || (numFaces != 0 && !haveFaces)) damaged = true;
  // Faces that name vertices the mesh does not have, or positions that are
  // not numbers, would poison every evaluation: such a rest mesh loads empty.
  for (int f = 0; f < restMesh->numFaces && !damaged; ++f)
    for (int j = 0; j < 3; ++j)
      if (restMesh->faces[f].v[j] >= static_cast<DWORD>(restMesh->numVerts)) damaged = true;
  for (int i = 0; i < restMesh->numVerts && !damaged; ++i)
    if (!IsFinite(restMesh->verts[i])) damaged = true;
  if (damaged) {
    restMesh = std::make_unique<Mesh>();
    LogLoadMessage(L"Fernwick: the saved rest state is damaged and was dropped; press \"Extract state\" again.");
  }
  if (damagedFlag) LogLoadMessage(L"Fernwick: the saved proxy state is damaged; it loads as no proxy created.");

  RebuildDerivedState(*this, GetFloatParam(pb_weight), GetIntParam(pb_iter), GetIntParam(pb_boundFixed) != 0);
  RefreshRollout();
  NotifyDependents(FOREVER, PART_TOPO, REFMSG_CHANGE);
  return IO_OK;
}

RefTargetHandle Fernwick::Clone(RemapDir& remap) {
  Fernwick* mod = new Fernwick();
  if (pblock) mod->ReplaceReference(0, remap.CloneRef(pblock), TRUE);
  BaseClone(this, mod, remap);
  if (!restMesh) return mod;
  mod->restMesh = std::make_unique<Mesh>(*restMesh);
  const int n = restMesh->numVerts;
  mod->smoothedRest = smoothedRest;
  mod->workPos.assign(n, Point3());
  mod->inputPos.assign(n, Point3());
  mod->neighbors = neighbors;
  mod->fixedVerts = fixedVerts;
  mod->restLocal = restLocal;
  mod->restFrameOk = restFrameOk;
  return mod;
}
