#include "scene_file.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <type_traits>
#include <unordered_map>

#include "atomic_write.h"
#include "chunk_io.h"
#include "class_desc.h"
#include "derived_object.h"
#include "inode.h"
#include "load_log.h"
#include "interface.h"
#include "param_block.h"
#include "plugin_manager.h"
#include "poly_object.h"
#include "spline_shape.h"
#include "tri_object.h"
#include "utf8.h"

static_assert(std::endian::native == std::endian::little, "scene files are written in memory order");

// The scene's and the nodes' private parts that only scene files touch.
class SceneFileAccess {
 public:
  static INode* NewNode(ULONG handle) { return new INode(handle); }
  static const std::vector<INode*>& Nodes(Interface* ip) { return ip->nodes_; }
  static INode* Root(Interface* ip) { return ip->root_; }
  // Empties the scene, then makes nodes (creation order) the scene's nodes
  // with roots as the root's children.
  static void Install(Interface* ip, const std::vector<INode*>& nodes, const std::vector<INode*>& roots,
                      ULONG nextHandle) {
    ip->ResetScene();
    ip->nodes_ = nodes;
    for (INode* n : roots) ip->root_->AttachChild(n, 0);
    ip->nextHandle_ = nextHandle;
  }
};

namespace {

constexpr char kMagic[8] = {'F', 'W', 'S', 'C', 'E', 'N', 'E', '\x1A'};
constexpr size_t kHeaderBytes = 12;

enum : USHORT {
  kSceneChunk = 0x0001,
  kObjectsChunk = 0x0002,
  kRootsChunk = 0x0003,
  kSelectionChunk = 0x0004,
  kObjectChunk = 0x0010,
  kNodeChunk = 0x0100,
  kTriChunk = 0x0101,
  kPolyChunk = 0x0102,
  kSplineChunk = 0x0103,
  kDerivedChunk = 0x0104,
  kPBlockChunk = 0x0105,
  kModifierChunk = 0x0106,
  kOwnChunk = 0x0107,
};

enum class Kind { Node, Tri, Poly, Spline, Derived, PBlock, Plugin };

Kind KindOf(SClass_ID sid, Class_ID cid) {
  if (sid == BASENODE_CLASS_ID && cid == nodeClassID) return Kind::Node;
  if (sid == GEOMOBJECT_CLASS_ID && cid == triObjectClassID) return Kind::Tri;
  if (sid == GEOMOBJECT_CLASS_ID && cid == polyObjectClassID) return Kind::Poly;
  if (sid == SHAPE_CLASS_ID && cid == splineShapeClassID) return Kind::Spline;
  if (sid == GEN_DERIVOB_CLASS_ID && cid == derivObjClassID) return Kind::Derived;
  if (sid == PARAMETER_BLOCK2_CLASS_ID && cid == paramBlock2ClassID) return Kind::PBlock;
  return Kind::Plugin;
}

std::string Hex(ULONG v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
  return buf;
}

std::string ClassText(SClass_ID sid, Class_ID cid) {
  return "super class " + Hex(sid) + ", class id (" + Hex(cid.PartA()) + ", " + Hex(cid.PartB()) + ")";
}

std::string ObjText(size_t i) { return "object " + std::to_string(i); }

// ---------------------------------------------------------------- writing

class Writer {
 public:
  template <typename T>
  void Put(const T& v) {
    static_assert(std::is_trivially_copyable_v<T>);
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void U32(ULONG v) { Put(v); }
  void I32(int v) { Put(v); }
  void P3(const Point3& p) { Put(p.x); Put(p.y); Put(p.z); }
  void Str(const MSTR& s) {
    const std::string u = WideToUtf8(s);
    U32(static_cast<ULONG>(u.size()));
    out += u;
  }
  size_t Begin(USHORT id) {
    Put(id);
    const size_t at = out.size();
    U32(0);
    return at;
  }
  void End(size_t at) {
    const size_t len = out.size() - at - 4;
    if (len > 0xFFFFFFFFu) tooBig = true;
    const ULONG l = static_cast<ULONG>(len);
    std::memcpy(&out[at], &l, 4);
  }
  std::string out;
  bool tooBig = false;
};

void PutValue(Writer& w, const Point3& p) { w.P3(p); }
void PutValue(Writer& w, const Quat& q) { w.Put(q.x); w.Put(q.y); w.Put(q.z); w.Put(q.w); }
void PutValue(Writer& w, double d) { w.Put(d); }

template <typename V>
void PutTrack(Writer& w, const KeyTrack<V>& track) {
  PutValue(w, track.Value());
  w.U32(static_cast<ULONG>(track.NumKeys()));
  for (int k = 0; k < track.NumKeys(); ++k) {
    w.I32(track.GetKey(k).time);
    PutValue(w, track.GetKey(k).value);
  }
}

bool PutTriMesh(Writer& w, const Mesh& m, std::string& why) {
  const size_t nv = m.verts.size(), nf = m.faces.size(), nc = m.vertCol.size();
  if (static_cast<size_t>(m.numVerts) != nv || static_cast<size_t>(m.numFaces) != nf ||
      static_cast<size_t>(m.numCVerts) != nc || (nc > 0 && m.vcFace.size() != nf)) {
    why = "its mesh's counts do not match its arrays";
    return false;
  }
  w.U32(static_cast<ULONG>(nv));
  for (const Point3& p : m.verts) w.P3(p);
  w.U32(static_cast<ULONG>(nf));
  for (const Face& f : m.faces) w.Put(f);
  w.U32(static_cast<ULONG>(nc));
  for (const VertColor& c : m.vertCol) w.P3(c);
  if (nc > 0)
    for (const TVFace& f : m.vcFace) w.Put(f);
  w.U32(m.selLevel);
  w.U32(static_cast<ULONG>(m.vertSel.GetSize()));
  for (int i = 0; i < m.vertSel.GetSize(); ++i) w.Put(static_cast<BYTE>(m.vertSel[i] ? 1 : 0));
  const float* soft = m.vertexFloat(VDATA_SELECT);
  w.U32(soft ? 1 : 0);
  if (soft)
    for (size_t i = 0; i < nv; ++i) w.Put(soft[i]);
  return true;
}

bool PutPolyMesh(Writer& w, const MNMesh& m, std::string& why) {
  if (static_cast<size_t>(m.numv) != m.v.size() || static_cast<size_t>(m.numf) != m.f.size()) {
    why = "its polygon mesh's counts do not match its arrays";
    return false;
  }
  w.U32(static_cast<ULONG>(m.v.size()));
  for (const MNVert& v : m.v) {
    w.P3(v.p);
    w.U32(v.flags);
  }
  auto putCorners = [&](const std::vector<int>& c) {
    w.U32(static_cast<ULONG>(c.size()));
    for (int k : c) w.I32(k);
  };
  w.U32(static_cast<ULONG>(m.f.size()));
  for (const MNFace& f : m.f) putCorners(f.vtx);
  w.U32(static_cast<ULONG>(m.MNum()));
  for (int c = 0; c < m.MNum(); ++c) {
    const MNMap& map = *m.M(c);
    if (static_cast<size_t>(map.numv) != map.v.size()) {
      why = "its map channel " + std::to_string(c) + " count does not match its array";
      return false;
    }
    w.U32(static_cast<ULONG>(map.v.size()));
    for (const Point3& p : map.v) w.P3(p);
    w.U32(static_cast<ULONG>(map.f.size()));
    for (const MNMapFace& f : map.f) putCorners(f.tv);
  }
  w.I32(m.selLevel);
  const float* soft = m.vertexFloat(VDATA_SELECT);
  w.U32(soft ? 1 : 0);
  if (soft)
    for (size_t i = 0; i < m.v.size(); ++i) w.Put(soft[i]);
  return true;
}

bool SaveObject(Writer& w, size_t index, ReferenceTarget* obj,
                const std::unordered_map<ReferenceTarget*, int>& ids, std::string& error) {
  const SClass_ID sid = obj->SuperClassID();
  const Class_ID cid = obj->ClassID();
  const Kind kind = KindOf(sid, cid);
  if (kind == Kind::Plugin && !FindClassDesc(sid, cid)) {
    error = "cannot save " + ObjText(index) + ": no class descriptor for " + ClassText(sid, cid);
    return false;
  }
  const size_t chunk = w.Begin(kObjectChunk);
  w.U32(sid);
  w.U32(cid.PartA());
  w.U32(cid.PartB());
  const int nrefs = obj->NumRefs();
  w.U32(static_cast<ULONG>(nrefs));
  for (int k = 0; k < nrefs; ++k) {
    RefTargetHandle t = obj->GetReference(k);
    w.I32(t ? ids.at(t) : -1);
  }

  std::string why;
  switch (kind) {
    case Kind::Node: {
      auto* n = static_cast<INode*>(obj);
      const size_t c = w.Begin(kNodeChunk);
      w.Str(n->GetName());
      w.U32(n->GetHandle());
      w.U32(n->GetWireColor());
      w.U32(n->IsHidden() ? 1 : 0);
      w.U32(static_cast<ULONG>(n->NumberOfChildren()));
      for (int i = 0; i < n->NumberOfChildren(); ++i) w.I32(ids.at(n->GetChildNode(i)));
      PutTrack(w, n->PositionTrack());
      PutTrack(w, n->RotationTrack());
      PutTrack(w, n->ScaleTrack());
      w.End(c);
      break;
    }
    case Kind::Tri: {
      auto* t = dynamic_cast<TriObject*>(obj);
      const size_t c = w.Begin(kTriChunk);
      if (!t || !PutTriMesh(w, t->GetMesh(), why)) {
        error = "cannot save " + ObjText(index) + ": " + (t ? why : "not a triangle object");
        return false;
      }
      w.End(c);
      break;
    }
    case Kind::Poly: {
      auto* p = dynamic_cast<PolyObject*>(obj);
      const size_t c = w.Begin(kPolyChunk);
      if (!p || !PutPolyMesh(w, p->GetMesh(), why)) {
        error = "cannot save " + ObjText(index) + ": " + (p ? why : "not a polygon object");
        return false;
      }
      w.End(c);
      break;
    }
    case Kind::Spline: {
      auto* s = dynamic_cast<SplineShape*>(obj);
      if (!s) {
        error = "cannot save " + ObjText(index) + ": not a shape object";
        return false;
      }
      const size_t c = w.Begin(kSplineChunk);
      w.U32(static_cast<ULONG>(s->knots.size()));
      for (const Point3& p : s->knots) w.P3(p);
      w.End(c);
      break;
    }
    case Kind::Derived: {
      auto* d = static_cast<IDerivedObject*>(obj);
      const size_t c = w.Begin(kDerivedChunk);
      for (int k = 0; k < d->NumModifiers(); ++k) {
        const Matrix3* tm = d->GetModContext(k) ? d->GetModContext(k)->tm : nullptr;
        w.U32(tm ? 1 : 0);
        if (tm)
          for (int r = 0; r < 4; ++r) w.P3(tm->GetRow(r));
      }
      w.End(c);
      break;
    }
    case Kind::PBlock: {
      auto* pb = static_cast<IParamBlock2*>(obj);
      ParamBlockDesc2* desc = pb->GetDesc();
      ClassDesc2* cd = desc ? desc->cd : nullptr;
      if (!cd) {
        error = "cannot save " + ObjText(index) + ": its parameter block descriptor has no class";
        return false;
      }
      const size_t c = w.Begin(kPBlockChunk);
      w.Put(static_cast<BlockID>(desc->ID));
      w.U32(cd->SuperClassID());
      w.U32(cd->ClassID().PartA());
      w.U32(cd->ClassID().PartB());
      w.U32(static_cast<ULONG>(pb->NumParams()));
      for (int i = 0; i < pb->NumParams(); ++i) {
        const ParamID id = pb->IndextoID(i);
        w.Put(id);
        PutTrack(w, *pb->GetTrack(id));
      }
      w.End(c);
      break;
    }
    case Kind::Plugin:
      break;
  }

  if (sid == OSM_CLASS_ID)
    if (auto* mod = dynamic_cast<Modifier*>(obj)) {
      const size_t c = w.Begin(kModifierChunk);
      w.U32(mod->IsEnabled() ? 1 : 0);
      const MCHAR* objName = mod->GetObjectName();
      const MSTR name = mod->GetName();
      const bool named = name != (objName ? MSTR(objName) : MSTR());
      w.U32(named ? 1 : 0);
      if (named) w.Str(name);
      w.End(c);
    }

  MemorySave own;
  if (obj->Save(&own) != IO_OK || own.OpenChunks() != 0) {
    MSTR cname;
    obj->GetClassName(cname);
    error = "cannot save " + ObjText(index) + " (" + WideToUtf8(cname) + "): its data failed to save";
    return false;
  }
  if (!own.Data().empty()) {
    const size_t c = w.Begin(kOwnChunk);
    w.out.append(reinterpret_cast<const char*>(own.Data().data()), own.Data().size());
    w.End(c);
  }
  w.End(chunk);
  return true;
}

// ---------------------------------------------------------------- reading

// Reads one chunk's payload. Every failure is recorded once in the shared
// error text; afterwards every read yields zeros and nothing is left.
class Reader {
 public:
  Reader(const char* p, size_t n, std::string& err, std::string where, bool top = false)
      : p_(p), n_(n), err_(&err), where_(std::move(where)), top_(top) {}

  size_t Left() const { return n_ - pos_; }
  bool Failed() const { return !err_->empty(); }
  const std::string& Where() const { return where_; }
  bool Fail(const std::string& msg) {
    if (err_->empty()) *err_ = msg;
    pos_ = n_;
    return false;
  }

  template <typename T>
  T Get(const char* what) {
    T v{};
    if (Failed()) return v;
    if (Left() < sizeof v) {
      Fail("truncated " + where_ + ": " + what + " needs " + std::to_string(sizeof v) + " bytes, " +
           std::to_string(Left()) + " left");
      return v;
    }
    std::memcpy(&v, p_ + pos_, sizeof v);
    pos_ += sizeof v;
    return v;
  }
  ULONG U32(const char* what) { return Get<ULONG>(what); }
  int I32(const char* what) { return Get<int>(what); }
  bool Flag(const char* what) { return U32(what) != 0; }
  float F32(const char* what) {
    const float f = Get<float>(what);
    if (!std::isfinite(f)) Fail("non-finite value in " + where_ + ": " + what);
    return Failed() ? 0.0f : f;
  }
  double F64(const char* what) {
    const double d = Get<double>(what);
    if (!std::isfinite(d)) Fail("non-finite value in " + where_ + ": " + what);
    return Failed() ? 0.0 : d;
  }
  Point3 P3(const char* what) {
    const float x = F32(what), y = F32(what), z = F32(what);
    return {x, y, z};
  }
  // A count of items of at least itemBytes each, which the bytes left must hold.
  ULONG Count(size_t itemBytes, const char* what) {
    const ULONG n = U32(what);
    if (Failed()) return 0;
    if (static_cast<unsigned long long>(n) * itemBytes > Left()) {
      Fail("count past the data in " + where_ + ": " + std::to_string(n) + " " + what + " need " +
           std::to_string(static_cast<unsigned long long>(n) * itemBytes) + " bytes, " + std::to_string(Left()) +
           " left");
      return 0;
    }
    return n;
  }
  MSTR Str(const char* what) {
    const ULONG n = Count(1, what);
    if (Failed()) return MSTR();
    std::string s(p_ + pos_, n);
    pos_ += n;
    return Utf8ToWide(s);
  }
  std::string Rest() {
    std::string s(p_ + pos_, Left());
    pos_ = n_;
    return s;
  }
  // The next sub-chunk; its reader names it `where`.
  Reader Chunk(USHORT& id, std::string where) {
    id = 0;
    if (!Failed() && Left() < 6)
      Fail((top_ ? "truncated file: a chunk header needs 6 bytes, " : "truncated " + where_ + ": a chunk header needs 6 bytes, ") +
           std::to_string(Left()) + " left");
    id = Get<USHORT>("chunk id");
    const ULONG len = Get<ULONG>("chunk length");
    if (!Failed() && len > Left()) {
      char idText[8];
      std::snprintf(idText, sizeof idText, "0x%04X", static_cast<unsigned>(id));
      Fail(top_ ? "truncated file: chunk " + std::string(idText) + " needs " + std::to_string(len) + " bytes, " +
                      std::to_string(Left()) + " left"
                : "chunk length past the end: chunk " + std::string(idText) + " in " + where_ + " claims " +
                      std::to_string(len) + " bytes, " + std::to_string(Left()) + " left");
    }
    if (Failed()) return Reader(p_, 0, *err_, std::move(where));
    Reader sub(p_ + pos_, len, *err_, std::move(where));
    pos_ += len;
    return sub;
  }

 private:
  const char* p_;
  size_t n_;
  size_t pos_ = 0;
  std::string* err_;
  std::string where_;
  bool top_;
};

template <typename V>
struct TrackData {
  V value{};
  std::vector<Key<V>> keys;
};

struct NodeRec {
  MSTR name;
  ULONG handle = 0;
  DWORD wire = 0;
  bool hidden = false;
  std::vector<int> children;
  TrackData<Point3> pos, scale;
  TrackData<Quat> rot;
};

struct ParamRec {
  ParamID id = 0;
  TrackData<double> track;
};

struct PBlockRec {
  BlockID id = 0;
  SClass_ID sid = 0;
  Class_ID cid;
  std::vector<ParamRec> params;
};

struct ModRec {
  bool enabled = true;
  bool named = false;
  MSTR name;
};

struct ObjRec {
  SClass_ID sid = 0;
  Class_ID cid;
  Kind kind = Kind::Plugin;
  std::vector<int> refs;
  std::optional<NodeRec> node;
  std::optional<Mesh> tri;
  std::optional<MNMesh> poly;
  std::optional<std::vector<Point3>> knots;
  std::optional<std::vector<std::optional<Matrix3>>> modTms;  // derived objects, top first
  std::optional<PBlockRec> pblock;
  std::optional<ModRec> mod;
  std::string own;
};

struct SceneRec {
  ULONG version = 0;
  bool haveScene = false, haveObjects = false, haveRoots = false;
  TimeValue time = 0, rangeStart = 0, rangeEnd = 0;
  int frameRate = 30;
  bool animate = false;
  std::vector<ObjRec> objects;
  std::vector<int> roots, selection;
};

void GetValue(Reader& r, Point3& p) { p = r.P3("point value"); }
void GetValue(Reader& r, Quat& q) {
  q.x = r.F32("rotation value");
  q.y = r.F32("rotation value");
  q.z = r.F32("rotation value");
  q.w = r.F32("rotation value");
}
void GetValue(Reader& r, double& d) { d = r.F64("parameter value"); }

template <typename V>
void GetTrack(Reader& r, TrackData<V>& t) {
  GetValue(r, t.value);
  const ULONG n = r.Count(sizeof(int) + sizeof(V), "keys");
  t.keys.reserve(n);
  for (ULONG k = 0; k < n && !r.Failed(); ++k) {
    Key<V> key{r.I32("key time"), V{}};
    GetValue(r, key.value);
    if (!t.keys.empty() && key.time <= t.keys.back().time) r.Fail("keys out of time order in " + r.Where());
    t.keys.push_back(key);
  }
}

std::vector<int> GetIds(Reader& r, const char* what) {
  const ULONG n = r.Count(4, what);
  std::vector<int> ids;
  ids.reserve(n);
  for (ULONG i = 0; i < n && !r.Failed(); ++i) ids.push_back(r.I32(what));
  return ids;
}

void GetTriMesh(Reader& r, Mesh& m) {
  const ULONG nv = r.Count(12, "vertices");
  m.setNumVerts(static_cast<int>(nv));
  for (ULONG i = 0; i < nv && !r.Failed(); ++i) m.verts[i] = r.P3("vertex position");
  const ULONG nf = r.Count(sizeof(Face), "faces");
  m.setNumFaces(static_cast<int>(nf));
  for (ULONG i = 0; i < nf && !r.Failed(); ++i) {
    m.faces[i] = r.Get<Face>("face");
    for (DWORD v : m.faces[i].v)
      if (!r.Failed() && v >= nv)
        r.Fail("face vertex index out of range in " + r.Where() + ": face " + std::to_string(i) + " names vertex " +
               std::to_string(v) + " of " + std::to_string(nv));
  }
  const ULONG nc = r.Count(12, "colour vertices");
  m.setNumVertCol(static_cast<int>(nc));
  for (ULONG i = 0; i < nc && !r.Failed(); ++i) m.vertCol[i] = r.P3("vertex colour");
  if (nc > 0) {
    if (!r.Failed() && static_cast<unsigned long long>(nf) * sizeof(TVFace) > r.Left())
      r.Fail("count past the data in " + r.Where() + ": " + std::to_string(nf) + " colour faces");
    for (ULONG i = 0; i < nf && !r.Failed(); ++i) {
      m.vcFace[i] = r.Get<TVFace>("colour face");
      for (DWORD t : m.vcFace[i].t)
        if (!r.Failed() && t >= nc)
          r.Fail("face vertex index out of range in " + r.Where() + ": colour face " + std::to_string(i) +
                 " names colour vertex " + std::to_string(t) + " of " + std::to_string(nc));
    }
  }
  m.selLevel = r.U32("selection level");
  const ULONG nsel = r.Count(1, "selection bits");
  if (!r.Failed() && nsel != 0 && nsel != nv)
    r.Fail("bad vertex selection in " + r.Where() + ": " + std::to_string(nsel) + " bits for " + std::to_string(nv) +
           " vertices");
  m.vertSel.SetSize(static_cast<int>(nsel));
  for (ULONG i = 0; i < nsel && !r.Failed(); ++i) m.vertSel.Set(static_cast<int>(i), r.Get<BYTE>("selection bit") != 0);
  if (r.Flag("soft selection flag")) {
    if (!r.Failed() && static_cast<unsigned long long>(nv) * 4 > r.Left())
      r.Fail("count past the data in " + r.Where() + ": soft selection of " + std::to_string(nv) + " vertices");
    m.setVDataSupport(VDATA_SELECT, true);
    float* soft = m.vertexFloat(VDATA_SELECT);
    for (ULONG i = 0; i < nv && !r.Failed(); ++i) soft[i] = r.F32("soft selection weight");
  }
}

// Corner lists of polygons and map faces: at least three corners, each
// below limit.
std::vector<int> GetCorners(Reader& r, ULONG limit, const char* what) {
  const ULONG deg = r.Count(4, "corners");
  std::vector<int> c;
  if (!r.Failed() && deg < 3) r.Fail("bad polygon in " + r.Where() + ": " + what + " with " + std::to_string(deg) + " corners");
  c.reserve(deg);
  for (ULONG k = 0; k < deg && !r.Failed(); ++k) {
    const int v = r.I32("corner");
    if (!r.Failed() && (v < 0 || static_cast<ULONG>(v) >= limit))
      r.Fail("face vertex index out of range in " + r.Where() + ": " + what + " corner " + std::to_string(v) + " of " +
             std::to_string(limit));
    c.push_back(v);
  }
  return c;
}

void GetPolyMesh(Reader& r, MNMesh& m) {
  const ULONG nv = r.Count(16, "vertices");
  m.setNumVerts(static_cast<int>(nv));
  for (ULONG i = 0; i < nv && !r.Failed(); ++i) {
    m.v[i].p = r.P3("vertex position");
    m.v[i].flags = r.U32("vertex flags");
  }
  const ULONG nf = r.Count(4, "faces");
  m.f.reserve(nf);
  for (ULONG i = 0; i < nf && !r.Failed(); ++i) {
    MNFace face;
    face.vtx = GetCorners(r, nv, "polygon");
    face.deg = static_cast<int>(face.vtx.size());
    m.f.push_back(std::move(face));
  }
  m.numf = static_cast<int>(m.f.size());
  const ULONG nmaps = r.Count(8, "map channels");
  m.SetMapNum(static_cast<int>(nmaps));
  for (ULONG c = 0; c < nmaps && !r.Failed(); ++c) {
    MNMap& map = *m.M(static_cast<int>(c));
    const ULONG mv = r.Count(12, "map vertices");
    map.v.reserve(mv);
    for (ULONG i = 0; i < mv && !r.Failed(); ++i) map.v.push_back(r.P3("map value"));
    map.numv = static_cast<int>(map.v.size());
    const ULONG mf = r.Count(4, "map faces");
    map.f.reserve(mf);
    for (ULONG i = 0; i < mf && !r.Failed(); ++i) {
      MNMapFace face;
      face.tv = GetCorners(r, mv, "map face");
      face.deg = static_cast<int>(face.tv.size());
      map.f.push_back(std::move(face));
    }
  }
  m.selLevel = r.I32("selection level");
  if (r.Flag("soft selection flag")) {
    if (!r.Failed() && static_cast<unsigned long long>(nv) * 4 > r.Left())
      r.Fail("count past the data in " + r.Where() + ": soft selection of " + std::to_string(nv) + " vertices");
    m.setVDataSupport(VDATA_SELECT, true);
    float* soft = m.vertexFloat(VDATA_SELECT);
    for (ULONG i = 0; i < nv && !r.Failed(); ++i) soft[i] = r.F32("soft selection weight");
  }
}

void GetObject(Reader& r, ObjRec& o, size_t nobjects) {
  o.sid = r.U32("super class");
  const ULONG a = r.U32("class id"), b = r.U32("class id");
  o.cid = Class_ID(a, b);
  o.kind = KindOf(o.sid, o.cid);
  o.refs = GetIds(r, "reference slots");
  for (size_t k = 0; k < o.refs.size() && !r.Failed(); ++k)
    if (o.refs[k] < -1 || o.refs[k] >= static_cast<int>(nobjects))
      r.Fail("reference id out of range in " + r.Where() + ": slot " + std::to_string(k) + " names " +
             std::to_string(o.refs[k]) + " of " + std::to_string(nobjects) + " objects");
  while (r.Left() > 0 && !r.Failed()) {
    USHORT id = 0;
    Reader c = r.Chunk(id, r.Where());
    switch (id) {
      case kNodeChunk: {
        NodeRec& n = o.node.emplace();
        n.name = c.Str("name bytes");
        n.handle = c.U32("handle");
        n.wire = c.U32("wire colour");
        n.hidden = c.Flag("hidden flag");
        n.children = GetIds(c, "children");
        for (int ch : n.children)
          if (!c.Failed() && (ch < 0 || ch >= static_cast<int>(nobjects)))
            c.Fail("reference id out of range in " + c.Where() + ": child " + std::to_string(ch) + " of " +
                   std::to_string(nobjects) + " objects");
        GetTrack(c, n.pos);
        GetTrack(c, n.rot);
        GetTrack(c, n.scale);
        break;
      }
      case kTriChunk:
        GetTriMesh(c, o.tri.emplace());
        break;
      case kPolyChunk:
        GetPolyMesh(c, o.poly.emplace());
        break;
      case kSplineChunk: {
        const ULONG n = c.Count(12, "knots");
        auto& knots = o.knots.emplace();
        knots.reserve(n);
        for (ULONG i = 0; i < n && !c.Failed(); ++i) knots.push_back(c.P3("knot"));
        break;
      }
      case kDerivedChunk: {
        auto& tms = o.modTms.emplace();
        const size_t nmods = o.refs.empty() ? 0 : o.refs.size() - 1;
        for (size_t k = 0; k < nmods && !c.Failed(); ++k) {
          std::optional<Matrix3> tm;
          if (c.Flag("mod context flag")) {
            Matrix3& m = tm.emplace();
            for (int row = 0; row < 4; ++row) m.SetRow(row, c.P3("mod context tm"));
          }
          tms.push_back(tm);
        }
        break;
      }
      case kPBlockChunk: {
        PBlockRec& pb = o.pblock.emplace();
        pb.id = c.Get<BlockID>("block id");
        pb.sid = c.U32("owner super class");
        const ULONG pa = c.U32("owner class id"), pbid = c.U32("owner class id");
        pb.cid = Class_ID(pa, pbid);
        const ULONG n = c.Count(2 + 8 + 4, "parameters");
        pb.params.reserve(n);
        for (ULONG i = 0; i < n && !c.Failed(); ++i) {
          ParamRec p;
          p.id = c.Get<ParamID>("parameter id");
          GetTrack(c, p.track);
          pb.params.push_back(std::move(p));
        }
        break;
      }
      case kModifierChunk: {
        ModRec& m = o.mod.emplace();
        m.enabled = c.Flag("enabled flag");
        m.named = c.Flag("name flag");
        if (m.named) m.name = c.Str("name bytes");
        break;
      }
      case kOwnChunk:
        o.own = c.Rest();
        break;
      default:
        break;  // written by a later host: skipped
    }
  }
  auto missing = [&](bool have, const char* what) {
    if (!r.Failed() && !have) r.Fail("missing chunk in " + r.Where() + ": no " + std::string(what));
  };
  switch (o.kind) {
    case Kind::Node: missing(o.node.has_value(), "node data"); break;
    case Kind::Tri: missing(o.tri.has_value(), "triangle mesh"); break;
    case Kind::Poly: missing(o.poly.has_value(), "polygon mesh"); break;
    case Kind::Spline: missing(o.knots.has_value(), "shape knots"); break;
    case Kind::Derived: missing(o.modTms.has_value(), "modifier stack data"); break;
    case Kind::PBlock: missing(o.pblock.has_value(), "parameter values"); break;
    case Kind::Plugin: break;
  }
  if (!r.Failed() && o.kind == Kind::Node && o.refs.size() != 1)
    r.Fail("bad node in " + r.Where() + ": " + std::to_string(o.refs.size()) + " reference slots");
  if (!r.Failed() && o.kind == Kind::Derived && o.refs.empty())
    r.Fail("bad modifier stack in " + r.Where() + ": no base object slot");
}

// Structure that the single records cannot show: the node tree, handles,
// selection, and object chains that would loop.
bool Validate(SceneRec& s, std::string& error) {
  const int n = static_cast<int>(s.objects.size());
  auto isNode = [&](int id) { return id >= 0 && id < n && s.objects[id].kind == Kind::Node; };
  std::vector<int> seen(n, 0);
  std::vector<int> parentOf(n, -2);  // -1 the root
  auto claim = [&](int child, int parent) {
    if (!isNode(child)) {
      error = "bad hierarchy: " + ObjText(child) + " is listed as a child but is not a node";
      return false;
    }
    if (++seen[child] > 1) {
      error = "bad hierarchy: node " + ObjText(child) + " has more than one parent";
      return false;
    }
    parentOf[child] = parent;
    return true;
  };
  for (int r : s.roots)
    if (!claim(r, -1)) return false;
  std::vector<ULONG> handles;
  for (int i = 0; i < n; ++i) {
    if (s.objects[i].kind != Kind::Node) continue;
    for (int c : s.objects[i].node->children)
      if (!claim(c, i)) return false;
    const ULONG h = s.objects[i].node->handle;
    if (h == 0 || std::find(handles.begin(), handles.end(), h) != handles.end()) {
      error = "bad node handle: " + ObjText(i) + " has handle " + std::to_string(h);
      return false;
    }
    handles.push_back(h);
  }
  // Every node must hang below the root; a loop of nodes would not.
  for (int i = 0; i < n; ++i) {
    if (s.objects[i].kind != Kind::Node) continue;
    int p = i, steps = 0;
    while (p >= 0 && steps++ <= n) p = parentOf[p];
    if (p != -1) {
      error = "bad hierarchy: node " + ObjText(i) + " is not below the scene root";
      return false;
    }
  }
  for (int sel : s.selection)
    if (!isNode(sel)) {
      error = "bad selection: " + ObjText(sel) + " is not a node";
      return false;
    }
  for (int i = 0; i < n; ++i) {
    const ObjRec& o = s.objects[i];
    if (o.kind != Kind::Derived) continue;
    if (o.modTms->size() != o.refs.size() - 1) {
      error = "bad modifier stack in " + ObjText(i) + ": " + std::to_string(o.modTms->size()) +
              " modifier contexts for " + std::to_string(o.refs.size() - 1) + " modifiers";
      return false;
    }
    int cur = i, steps = 0;
    while (cur >= 0 && s.objects[cur].kind == Kind::Derived) {
      if (++steps > n) {
        error = "cyclic object chain through " + ObjText(i);
        return false;
      }
      cur = s.objects[cur].refs[0];
    }
  }
  return true;
}

bool ParseScene(const std::string& bytes, SceneRec& s, std::string& error) {
  error.clear();
  if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    error = "not a scene file: bad magic";
    return false;
  }
  std::memcpy(&s.version, bytes.data() + 8, 4);
  if (s.version != kSceneFileVersion) {
    error = "unsupported scene file version " + std::to_string(s.version) + " (this host reads version " +
            std::to_string(kSceneFileVersion) + ")";
    return false;
  }
  Reader top(bytes.data() + kHeaderBytes, bytes.size() - kHeaderBytes, error, "file", true);
  while (top.Left() > 0 && !top.Failed()) {
    USHORT id = 0;
    Reader c = top.Chunk(id, "top-level chunk");
    switch (id) {
      case kSceneChunk: {
        s.time = c.I32("time");
        s.rangeStart = c.I32("range start");
        s.rangeEnd = c.I32("range end");
        s.frameRate = c.I32("frame rate");
        s.animate = c.Flag("animate mode");
        s.haveScene = true;
        break;
      }
      case kObjectsChunk: {
        const ULONG n = c.Count(6, "objects");
        s.objects.resize(n);
        for (ULONG i = 0; i < n && !c.Failed(); ++i) {
          USHORT oid = 0;
          Reader oc = c.Chunk(oid, ObjText(i));
          if (!c.Failed() && oid != kObjectChunk) c.Fail("bad object table: chunk " + std::to_string(oid) + " in place of " + ObjText(i));
          GetObject(oc, s.objects[i], n);
        }
        s.haveObjects = true;
        break;
      }
      case kRootsChunk:
        s.roots = GetIds(c, "root children");
        s.haveRoots = true;
        break;
      case kSelectionChunk:
        s.selection = GetIds(c, "selected nodes");
        break;
      default:
        break;
    }
  }
  if (top.Failed()) return false;
  if (!s.haveScene || !s.haveObjects || !s.haveRoots) {
    error = std::string("missing chunk: no ") + (!s.haveScene ? "scene" : !s.haveObjects ? "object table" : "root list");
    return false;
  }
  return Validate(s, error);
}

// Holds every object made during a load, so that none goes for losing its
// last dependent before the load is through.
class LoadHolder : public ReferenceMaker {
 public:
  void Hold(RefTargetHandle t) { HoldTarget(t); }
};

// Finds every class the scene needs; the descriptors by object, and the
// block descriptors by parameter-block object.
bool ResolveClasses(const SceneRec& s, std::vector<ClassDesc*>& cds, std::vector<ParamBlockDesc2*>& pbds,
                    std::string& error) {
  cds.assign(s.objects.size(), nullptr);
  pbds.assign(s.objects.size(), nullptr);
  for (size_t i = 0; i < s.objects.size(); ++i) {
    const ObjRec& o = s.objects[i];
    if (o.kind == Kind::Plugin) {
      cds[i] = FindClassDesc(o.sid, o.cid);
      if (!cds[i]) {
        error = "unknown class: " + ObjText(i) + " has " + ClassText(o.sid, o.cid) + " (is its plug-in loaded?)";
        return false;
      }
    } else if (o.kind == Kind::PBlock) {
      auto* cd = dynamic_cast<ClassDesc2*>(FindClassDesc(o.pblock->sid, o.pblock->cid));
      pbds[i] = cd ? cd->GetParamBlockDescByID(o.pblock->id) : nullptr;
      if (!pbds[i]) {
        error = "unknown parameter block: " + ObjText(i) + " is block " + std::to_string(o.pblock->id) + " of " +
                ClassText(o.pblock->sid, o.pblock->cid);
        return false;
      }
    }
  }
  return true;
}

template <typename V>
void ApplyTrack(KeyTrack<V>& track, const TrackData<V>& data) {
  track.ClearKeys();
  track.SetValue(data.value);
  for (const Key<V>& k : data.keys) track.InsertKey(k.time, k.value);
}

ReferenceTarget* MakeObject(ObjRec& o, ClassDesc* cd, ParamBlockDesc2* pbd, std::string& error, size_t index) {
  switch (o.kind) {
    case Kind::Node: {
      INode* n = SceneFileAccess::NewNode(o.node->handle);
      n->SetName(o.node->name.c_str());
      n->SetWireColor(o.node->wire);
      n->Hide(o.node->hidden ? TRUE : FALSE);
      ApplyTrack(n->PositionTrack(), o.node->pos);
      ApplyTrack(n->RotationTrack(), o.node->rot);
      ApplyTrack(n->ScaleTrack(), o.node->scale);
      return n;
    }
    case Kind::Tri: {
      TriObject* t = CreateNewTriObject();
      t->mesh = std::move(*o.tri);
      return t;
    }
    case Kind::Poly: {
      auto* p = new PolyObject;
      p->mm = std::move(*o.poly);
      return p;
    }
    case Kind::Spline: {
      auto* s = new SplineShape;
      s->knots = std::move(*o.knots);
      return s;
    }
    case Kind::Derived:
      return CreateDerivedObject();
    case Kind::PBlock: {
      IParamBlock2* pb = CreateParameterBlock2(pbd, nullptr);
      // Straight into the tracks: setting values would notify the owner
      // before it has loaded. Parameters the class no longer has are dropped.
      for (const ParamRec& p : o.pblock->params)
        if (KeyTrack<double>* track = pb->GetTrack(p.id)) ApplyTrack(*track, p.track);
      return pb;
    }
    case Kind::Plugin: {
      auto* a = static_cast<Animatable*>(cd->Create(TRUE));
      auto* t = dynamic_cast<ReferenceTarget*>(a);
      if (!t) {
        if (a) a->DeleteThis();
        error = "cannot load " + ObjText(index) + ": its class (" + ClassText(o.sid, o.cid) + ") made no object";
      }
      return t;
    }
  }
  return nullptr;
}

bool SameKind(ReferenceTarget* a, ReferenceTarget* b) {
  if (a->SuperClassID() != b->SuperClassID() || a->ClassID() != b->ClassID()) return false;
  if (a->SuperClassID() == PARAMETER_BLOCK2_CLASS_ID)
    return static_cast<IParamBlock2*>(a)->GetDesc() == static_cast<IParamBlock2*>(b)->GetDesc();
  return true;
}

bool Build(SceneRec& s, std::string& error) {
  std::vector<ClassDesc*> cds;
  std::vector<ParamBlockDesc2*> pbds;
  if (!ResolveClasses(s, cds, pbds, error)) return false;

  const size_t n = s.objects.size();
  auto holder = std::make_unique<LoadHolder>();
  std::vector<ReferenceTarget*> objs(n, nullptr);
  std::vector<INode*> nodes;
  auto rollback = [&]() {
    for (INode* node : nodes) node->DeleteMe();
    holder.reset();  // what nothing else holds goes with it
    return false;
  };

  for (size_t i = 0; i < n; ++i) {
    objs[i] = MakeObject(s.objects[i], cds[i], pbds[i], error, i);
    if (!objs[i]) return rollback();
    holder->Hold(objs[i]);
    if (s.objects[i].kind == Kind::Node) nodes.push_back(static_cast<INode*>(objs[i]));
  }
  for (size_t i = 0; i < n; ++i)
    if (s.objects[i].kind == Kind::Node)
      for (int c : s.objects[i].node->children) static_cast<INode*>(objs[i])->AttachChild(static_cast<INode*>(objs[c]), 0);

  // References. Blocks belong to the first maker that references them.
  std::vector<bool> owned(n, false);
  std::vector<std::vector<int>> deferred(n);
  auto target = [&](int id) { return id < 0 ? nullptr : objs[id]; };
  auto refused = [&](size_t i, size_t k) {
    MSTR cname;
    objs[i]->GetClassName(cname);
    error = "reference refused: " + ObjText(i) + " (" + WideToUtf8(cname) + ") slot " + std::to_string(k) +
            " will not take " + ObjText(s.objects[i].refs[k]);
    return rollback();
  };
  for (size_t i = 0; i < n; ++i) {
    const ObjRec& o = s.objects[i];
    ReferenceTarget* obj = objs[i];
    for (size_t k = 0; k < o.refs.size(); ++k) {
      const int id = o.refs[k];
      if (id >= 0 && s.objects[id].kind == Kind::PBlock && !owned[id]) {
        static_cast<IParamBlock2*>(objs[id])->SetOwner(obj);
        owned[id] = true;
      }
    }
    if (o.kind == Kind::Derived) {
      auto* d = static_cast<IDerivedObject*>(obj);
      if (d->ReplaceReference(0, target(o.refs[0]), TRUE) != REF_SUCCEED) return refused(i, 0);
      for (size_t k = 1; k < o.refs.size(); ++k) {
        auto* mod = dynamic_cast<Modifier*>(target(o.refs[k]));
        if (!mod) return refused(i, k);
        auto* mc = new ModContext;
        if (const auto& tm = (*o.modTms)[k - 1]) mc->tm = new Matrix3(*tm);
        d->AddModifier(mod, mc, d->NumModifiers());
      }
      continue;
    }
    for (size_t k = 0; k < o.refs.size(); ++k) {
      const int slot = static_cast<int>(k);
      RefTargetHandle t = target(o.refs[k]);
      if (slot >= obj->NumRefs()) {
        if (t) deferred[i].push_back(slot);  // the maker may make the slot as it loads
        continue;
      }
      // Replacing drops what the constructor put there (its default block).
      // A slot the constructor filled takes only the same kind of object:
      // makers cast such slots without looking.
      RefTargetHandle made = obj->GetReference(slot);
      if (made && t && !SameKind(made, t)) return refused(i, k);
      if (made != t && obj->ReplaceReference(slot, t, TRUE) != REF_SUCCEED) return refused(i, k);
    }
  }

  // Own data: blocks and nodes, then the other objects, modifiers last, so
  // that a modifier loads with its real parameter values.
  auto order = [&](size_t i) {
    const ObjRec& o = s.objects[i];
    if (o.kind == Kind::PBlock || o.kind == Kind::Node) return 0;
    return o.sid == OSM_CLASS_ID ? 2 : 1;
  };
  for (int pass = 0; pass < 3; ++pass)
    for (size_t i = 0; i < n; ++i) {
      if (order(i) != pass) continue;
      const ObjRec& o = s.objects[i];
      ReferenceTarget* obj = objs[i];
      if (o.mod)
        if (auto* mod = dynamic_cast<Modifier*>(obj)) {
          if (o.mod->enabled) mod->ClearAFlag(A_MOD_DISABLED);
          else mod->SetAFlag(A_MOD_DISABLED);
          if (o.mod->named) mod->SetName(o.mod->name);
        }
      MemoryLoad own(o.own.data(), o.own.size());
      if (obj->Load(&own) == IO_ERROR) {
        MSTR cname;
        obj->GetClassName(cname);
        error = "cannot load " + ObjText(i) + " (" + WideToUtf8(cname) + "): its data failed to load";
        return rollback();
      }
      for (int slot : deferred[i]) {
        if (slot >= obj->NumRefs()) {
          error = "reference refused: " + ObjText(i) + " has no slot " + std::to_string(slot) + " after loading";
          return rollback();
        }
        if (obj->ReplaceReference(slot, target(o.refs[slot]), TRUE) != REF_SUCCEED) return refused(i, slot);
      }
    }

  // Everything is in place: the new scene replaces the old one.
  Interface* ip = GetCOREInterface();
  std::vector<INode*> roots;
  for (int r : s.roots) roots.push_back(static_cast<INode*>(objs[r]));
  ULONG maxHandle = 0;
  for (INode* node : nodes) maxHandle = std::max(maxHandle, node->GetHandle());
  SceneFileAccess::Install(ip, nodes, roots, maxHandle + 1);
  ip->SetFrameRate(s.frameRate);
  ip->SetAnimRange(Interval(s.rangeStart, s.rangeEnd));
  ip->SetAnimateMode(s.animate ? TRUE : FALSE);
  ip->SetTime(s.time, FALSE);
  for (int sel : s.selection) ip->SelectNode(static_cast<INode*>(objs[sel]), 0);
  holder.reset();
  return true;
}

bool ReadFile(const std::string& path, std::string& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open scene file " + path + ": " + std::strerror(errno);
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read scene file " + path;
    return false;
  }
  return true;
}

}  // namespace

bool SaveSceneToBytes(std::string& bytes, std::string& error) {
  Interface* ip = GetCOREInterface();
  INode* root = SceneFileAccess::Root(ip);
  std::vector<ReferenceTarget*> table;
  std::unordered_map<ReferenceTarget*, int> ids;
  auto add = [&](ReferenceTarget* t) {
    if (ids.emplace(t, static_cast<int>(table.size())).second) table.push_back(t);
  };
  for (INode* node : SceneFileAccess::Nodes(ip)) add(node);
  for (size_t i = 0; i < table.size(); ++i)
    for (int k = 0; k < table[i]->NumRefs(); ++k)
      if (RefTargetHandle t = table[i]->GetReference(k)) {
        if (t == root) {
          error = "cannot save " + ObjText(i) + ": it references the scene root";
          return false;
        }
        add(t);
      }

  Writer w;
  w.out.append(kMagic, sizeof kMagic);
  w.U32(kSceneFileVersion);
  size_t c = w.Begin(kSceneChunk);
  w.I32(ip->GetTime());
  w.I32(ip->GetAnimRange().Start());
  w.I32(ip->GetAnimRange().End());
  w.I32(ip->GetFrameRate());
  w.U32(ip->GetAnimateMode() ? 1 : 0);
  w.End(c);
  c = w.Begin(kObjectsChunk);
  w.U32(static_cast<ULONG>(table.size()));
  for (size_t i = 0; i < table.size(); ++i)
    if (!SaveObject(w, i, table[i], ids, error)) return false;
  w.End(c);
  c = w.Begin(kRootsChunk);
  w.U32(static_cast<ULONG>(root->NumberOfChildren()));
  for (int i = 0; i < root->NumberOfChildren(); ++i) w.I32(ids.at(root->GetChildNode(i)));
  w.End(c);
  c = w.Begin(kSelectionChunk);
  w.U32(static_cast<ULONG>(ip->GetSelNodeCount()));
  for (int i = 0; i < ip->GetSelNodeCount(); ++i) w.I32(ids.at(ip->GetSelNode(i)));
  w.End(c);
  if (w.tooBig) {
    error = "cannot save: the scene does not fit the file format (a chunk over 4 GiB)";
    return false;
  }
  bytes = std::move(w.out);
  return true;
}

bool SaveScene(const std::string& path, std::string& error) {
  std::string bytes;
  return SaveSceneToBytes(bytes, error) && WriteFileAtomic(path, bytes, error);
}

bool LoadSceneFromBytes(const std::string& bytes, std::string& error) {
  ClearLoadLog();
  SceneRec scene;
  if (ParseScene(bytes, scene, error) && Build(scene, error)) return true;
  ClearLoadLog();  // nothing of that scene was kept
  return false;
}

bool LoadScene(const std::string& path, std::string& error) {
  std::string bytes;
  if (!ReadFile(path, bytes, error)) return false;
  return LoadSceneFromBytes(bytes, error);
}

bool ReadSceneSummary(const std::string& path, SceneSummary& summary, std::string& error) {
  std::string bytes;
  if (!ReadFile(path, bytes, error)) return false;
  SceneRec s;
  if (!ParseScene(bytes, s, error)) return false;
  summary = SceneSummary();
  summary.version = s.version;
  summary.time = s.time;
  summary.rangeStart = s.rangeStart;
  summary.rangeEnd = s.rangeEnd;
  summary.frameRate = s.frameRate;
  std::vector<int> nodeIndex(s.objects.size(), -1);
  for (size_t i = 0; i < s.objects.size(); ++i) {
    const ObjRec& o = s.objects[i];
    SceneSummary::Object so;
    so.superClassID = o.sid;
    so.classID = o.cid;
    so.refs = o.refs;
    if (o.kind == Kind::Plugin) {
      so.classKnown = FindClassDesc(o.sid, o.cid) != nullptr;
    } else if (o.kind == Kind::PBlock) {
      auto* cd = dynamic_cast<ClassDesc2*>(FindClassDesc(o.pblock->sid, o.pblock->cid));
      so.classKnown = cd && cd->GetParamBlockDescByID(o.pblock->id);
    } else {
      so.classKnown = true;
    }
    summary.objects.push_back(std::move(so));
    if (o.kind == Kind::Node) {
      nodeIndex[i] = static_cast<int>(summary.nodes.size());
      summary.nodes.push_back({o.node->name, o.node->handle, -1, o.refs[0]});
    }
  }
  for (size_t i = 0; i < s.objects.size(); ++i)
    if (s.objects[i].kind == Kind::Node)
      for (int c : s.objects[i].node->children) summary.nodes[nodeIndex[c]].parent = nodeIndex[i];
  for (int sel : s.selection) summary.selection.push_back(nodeIndex[sel]);
  return true;
}
