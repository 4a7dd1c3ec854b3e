#include "skin_modifier.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "chunk_io.h"
#include "derived_object.h"
#include "inode.h"
#include "interface.h"
#include "poly_object.h"
#include "remap_dir.h"
#include "skin_deform.h"
#include "tri_object.h"
#include "utf8.h"

namespace {

constexpr USHORT kBoneCountChunk = 0x0100;
constexpr USHORT kBoneInitChunk = 0x0110;
constexpr USHORT kSkinInitChunk = 0x0120;
constexpr USHORT kWeightsChunk = 0x0130;
constexpr USHORT kModStateChunk = 0x0140;

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

IOResult PutMatrix(ISave* isave, const Matrix3& m) {
  IOResult r = IO_OK;
  for (int row = 0; row < 4 && r == IO_OK; ++row)
    for (int c = 0; c < 3 && r == IO_OK; ++c) r = Put(isave, m[row][c]);
  return r;
}

bool GetMatrix(ILoad* iload, Matrix3& m) {
  for (int row = 0; row < 4; ++row)
    for (int c = 0; c < 3; ++c)
      if (!Get(iload, m[row][c])) return false;
  return true;
}

INode* NodeAbove(ReferenceTarget* t, int depth) {
  if (!t || depth > 32) return nullptr;
  DependentIterator it(t);
  while (ReferenceMaker* m = it.Next()) {
    if (m->SuperClassID() == BASENODE_CLASS_ID) return static_cast<INode*>(m);
    if (m->IsRefTarget())
      if (INode* n = NodeAbove(static_cast<ReferenceTarget*>(m), depth + 1)) return n;
  }
  return nullptr;
}

}  // namespace

void* SkinMod::GetInterface(ULONG id) {
  if (id == I_SKIN) return static_cast<ISkin*>(this);
  if (id == I_SKINIMPORTDATA) return static_cast<ISkinImportData*>(this);
  return Modifier::GetInterface(id);
}

RefTargetHandle SkinMod::GetReference(int i) {
  return i >= 0 && i < NumRefs() ? bones_[i] : nullptr;
}

void SkinMod::SetReference(int i, RefTargetHandle rtarg) {
  if (i < 0 || i >= NumRefs()) return;
  if (!rtarg) {
    RemoveBone(i);
    return;
  }
  if (rtarg->SuperClassID() == BASENODE_CLASS_ID) bones_[i] = static_cast<INode*>(rtarg);
}

void SkinMod::RemoveBone(int index) {
  bones_.erase(bones_.begin() + index);
  boneInit_.erase(boneInit_.begin() + index);
  weights_.RemoveBone(index);
}

RefResult SkinMod::NotifyRefChanged(Interval, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
  if (message != REFMSG_TARGET_DELETED || !hTarget) return REF_SUCCEED;
  bool removed = false;
  for (int i = NumRefs() - 1; i >= 0; --i)
    if (bones_[i] == hTarget) {
      DeleteReference(i);
      removed = true;
    }
  if (removed) NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  return REF_SUCCEED;
}

RefTargetHandle SkinMod::Clone(RemapDir& remap) {
  auto* c = new SkinMod;
  c->bones_.assign(bones_.size(), nullptr);
  c->boneInit_ = boneInit_;
  c->skinInit_ = skinInit_;
  c->skinInitSet_ = skinInitSet_;
  c->weights_ = weights_;
  // The copy deforms by the same bones: it references them, it does not
  // clone them.
  for (int i = 0; i < NumRefs(); ++i)
    if (bones_[i]) c->ReplaceReference(i, bones_[i]);
  BaseClone(this, c, remap);
  return c;
}

IOResult SkinMod::Save(ISave* isave) {
  IOResult r = IO_OK;
  auto chunk = [&](USHORT id, auto&& body) {
    if (r != IO_OK) return;
    isave->BeginChunk(id);
    r = body();
    isave->EndChunk();
  };
  chunk(kBoneCountChunk, [&] { return Put(isave, static_cast<std::int32_t>(NumRefs())); });
  chunk(kBoneInitChunk, [&] {
    IOResult rr = IO_OK;
    for (const Matrix3& m : boneInit_)
      if (rr == IO_OK) rr = PutMatrix(isave, m);
    return rr;
  });
  chunk(kSkinInitChunk, [&] {
    IOResult rr = Put(isave, static_cast<std::int32_t>(skinInitSet_ ? 1 : 0));
    return rr == IO_OK ? PutMatrix(isave, skinInit_) : rr;
  });
  chunk(kWeightsChunk, [&] { return weights_.Save(isave); });
  // The stack name and enabled state matter to the rig tools (a disabled
  // rig Skin beneath a renamed one) and belong to this modifier.
  chunk(kModStateChunk, [&] {
    const MSTR name = GetName();
    const std::string utf8 = name == GetObjectName() ? std::string() : WideToUtf8(name);
    IOResult rr = Put(isave, static_cast<std::int32_t>(IsEnabled() ? 0 : 1));
    if (rr == IO_OK) rr = Put(isave, static_cast<std::int32_t>(utf8.size()));
    ULONG n = 0;
    if (rr == IO_OK && !utf8.empty()) rr = isave->Write(utf8.data(), static_cast<ULONG>(utf8.size()), &n);
    return rr;
  });
  return r;
}

IOResult SkinMod::Load(ILoad* iload) {
  DeleteAllRefs();
  bones_.clear();
  boneInit_.clear();
  skinInit_.IdentityMatrix();
  skinInitSet_ = false;
  weights_.Clear();

  int boneCount = -1;
  bool haveInit = false;
  IOResult res;
  while ((res = iload->OpenChunk()) == IO_OK) {
    bool ok = true;
    switch (iload->CurChunkID()) {
      case kBoneCountChunk: {
        std::int32_t n = 0;
        ok = Get(iload, n) && n >= 0 && static_cast<ULONG>(n) <= 0x1000000;
        boneCount = ok ? n : -1;
        break;
      }
      case kBoneInitChunk: {
        const ULONG bytes = 12 * sizeof(float);
        ok = iload->CurChunkLength() % bytes == 0;
        boneInit_.assign(ok ? iload->CurChunkLength() / bytes : 0, Matrix3());
        for (Matrix3& m : boneInit_)
          if (ok) ok = GetMatrix(iload, m);
        haveInit = ok;
        break;
      }
      case kSkinInitChunk: {
        std::int32_t set = 0;
        ok = Get(iload, set) && GetMatrix(iload, skinInit_);
        skinInitSet_ = ok && set != 0;
        break;
      }
      case kWeightsChunk:
        ok = weights_.Load(iload) == IO_OK;
        break;
      case kModStateChunk: {
        std::int32_t disabled = 0, len = 0;
        ok = Get(iload, disabled) && Get(iload, len) && len >= 0 &&
             static_cast<ULONG>(len) <= iload->CurChunkLength();
        std::string utf8(ok ? static_cast<size_t>(len) : 0, '\0');
        ULONG n = 0;
        if (ok && len > 0) ok = iload->Read(utf8.data(), static_cast<ULONG>(len), &n) == IO_OK;
        if (ok) {
          if (disabled) SetAFlag(A_MOD_DISABLED);
          else ClearAFlag(A_MOD_DISABLED);
          if (!utf8.empty()) SetName(Utf8ToWide(utf8));
        }
        break;
      }
      default:
        break;
    }
    iload->CloseChunk();
    if (!ok) return IO_ERROR;
  }
  if (res == IO_ERROR) return IO_ERROR;
  if (boneCount < 0) boneCount = 0;
  // Every bone is saved with its binding: a count without them is damage, and
  // must not size anything.
  if (!haveInit && boneCount > 0) return IO_ERROR;
  if (haveInit && static_cast<int>(boneInit_.size()) != boneCount) return IO_ERROR;
  if (weights_.RefersBeyond(boneCount)) return IO_ERROR;
  boneInit_.resize(static_cast<size_t>(boneCount));
  // Empty slots: the scene loader points them at the bone nodes.
  bones_.assign(static_cast<size_t>(boneCount), nullptr);
  return IO_OK;
}

void SkinMod::ModifyObject(TimeValue t, ModContext&, ObjectState* os, INode* node) {
  if (!os || !os->obj) return;
  if (!node) node = FindNode();
  if (!node) return;
  Mesh* mesh = nullptr;
  MNMesh* poly = nullptr;
  int count = 0;
  if (os->obj->IsSubClassOf(triObjectClassID)) {
    mesh = &static_cast<TriObject*>(os->obj)->GetMesh();
    count = mesh->getNumVerts();
  } else if (os->obj->IsSubClassOf(polyObjectClassID)) {
    poly = &static_cast<PolyObject*>(os->obj)->GetMesh();
    count = poly->VNum();
  } else {
    return;
  }
  MeetNode(node);
  if (!weights_.IsSized()) weights_.SetNumPoints(count);

  SkinPose pose;
  const Matrix3 nodeNow = node->GetObjectTM(t);
  pose.boneToPose.resize(bones_.size());
  pose.live.assign(bones_.size(), false);
  for (size_t b = 0; b < bones_.size(); ++b) {
    if (!bones_[b]) continue;
    pose.boneToPose[b] = SkinBoneMatrix(skinInit_, boneInit_[b], bones_[b]->GetObjectTM(t), nodeNow);
    pose.live[b] = true;
  }
  count = std::min(count, weights_.NumPoints());
  for (int i = 0; i < count; ++i) {
    const std::vector<SkinWeight>& pairs = weights_.Pairs(i);
    if (pairs.empty()) continue;
    Point3& p = mesh ? mesh->verts[i] : poly->P(i);
    p = SkinPoint(p, pairs, pose);
  }
  if (mesh) mesh->InvalidateGeomCache();
  else poly->InvalidateGeomCache();
}

INode* SkinMod::GetBone(int idx) { return idx >= 0 && idx < NumRefs() ? bones_[idx] : nullptr; }

int SkinMod::BoneIndex(INode* bone) const {
  if (!bone) return -1;
  auto it = std::find(bones_.begin(), bones_.end(), bone);
  return it == bones_.end() ? -1 : static_cast<int>(it - bones_.begin());
}

int SkinMod::GetBoneInitTM(INode* bone, Matrix3& tm, bool isObjectTM) {
  const int i = BoneIndex(bone);
  if (i < 0) return SKIN_INVALID_NODE_PTR;
  // Bindings are kept as object TMs; the node TM is that without the offset.
  tm = isObjectTM ? boneInit_[i] : Inverse(bone->GetObjectOffsetTM()) * boneInit_[i];
  return SKIN_OK;
}

int SkinMod::GetSkinInitTM(INode* skinNode, Matrix3& tm, bool) {
  if (!IsOnNode(skinNode)) return SKIN_INVALID_NODE_PTR;
  MeetNode(skinNode);
  tm = skinInit_;
  return SKIN_OK;
}

ISkinContextData* SkinMod::GetContextInterface(INode* node) {
  if (!IsOnNode(node)) return nullptr;
  MeetNode(node);
  return &context_;
}

BOOL SkinMod::AddBoneEx(INode* bone, BOOL update) {
  // The skinned node as its own bone would make a notification cycle.
  if (!bone || BoneIndex(bone) >= 0 || IsOnNode(bone)) return FALSE;
  if (INode* node = FindNode()) MeetNode(node);
  const int slot = NumRefs();
  bones_.push_back(nullptr);
  boneInit_.push_back(bone->GetObjectTM(GetCOREInterface()->GetTime()));
  if (ReplaceReference(slot, bone) != REF_SUCCEED || GetBone(slot) != bone) {
    if (NumRefs() > slot) RemoveBone(slot);
    return FALSE;
  }
  if (update) NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  return TRUE;
}

BOOL SkinMod::AddWeights(INode* skinNode, int vertex, Tab<INode*>& bones, Tab<float>& weights) {
  if (bones.Count() != weights.Count() || !IsOnNode(skinNode)) return FALSE;
  MeetNode(skinNode);
  std::vector<SkinWeight> pairs;
  pairs.reserve(static_cast<size_t>(bones.Count()));
  for (int k = 0; k < bones.Count(); ++k) {
    const int b = BoneIndex(bones[k]);
    if (b >= 0) pairs.push_back({b, weights[k]});
  }
  return weights_.SetPairs(vertex, std::move(pairs)) ? TRUE : FALSE;
}

BOOL SkinMod::SetBoneInitTM(INode* bone, const Matrix3& tm) {
  const int i = BoneIndex(bone);
  if (i < 0) return FALSE;
  boneInit_[i] = tm;
  return TRUE;
}

BOOL SkinMod::SetSkinInitTM(const Matrix3& tm) {
  skinInit_ = tm;
  skinInitSet_ = true;
  return TRUE;
}

BOOL SkinMod::SetNumPoints(INode* skinNode, int count) {
  if (count < 0 || !IsOnNode(skinNode)) return FALSE;
  MeetNode(skinNode);
  weights_.SetNumPoints(count);
  return TRUE;
}

bool SkinMod::IsOnNode(INode* node) {
  if (!node) return false;
  Object* o = node->GetObjectRef();
  for (int depth = 0; o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID && depth < 64; ++depth) {
    auto* d = static_cast<IDerivedObject*>(o);
    for (int i = 0; i < d->NumModifiers(); ++i)
      if (d->GetModifier(i) == this) return true;
    o = d->GetObjRef();
  }
  return false;
}

INode* SkinMod::FindNode() { return NodeAbove(this, 0); }

void SkinMod::MeetNode(INode* node) {
  if (skinInitSet_ || !node) return;
  skinInit_ = node->GetObjectTM(GetCOREInterface()->GetTime());
  skinInitSet_ = true;
}

int SkinMod::Context::GetNumAssignedBones(int vertex) {
  return static_cast<int>(table_.Pairs(vertex).size());
}

int SkinMod::Context::GetAssignedBone(int vertex, int slot) {
  const std::vector<SkinWeight>& pairs = table_.Pairs(vertex);
  return slot >= 0 && slot < static_cast<int>(pairs.size()) ? pairs[slot].bone : -1;
}

float SkinMod::Context::GetBoneWeight(int vertex, int slot) {
  const std::vector<SkinWeight>& pairs = table_.Pairs(vertex);
  return slot >= 0 && slot < static_cast<int>(pairs.size()) ? pairs[slot].weight : 0.0f;
}
