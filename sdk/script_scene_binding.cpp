#include "script_scene_binding.h"

#include <cmath>
#include <cwchar>

#include "derived_object.h"
#include "host_terminal.h"
#include "inode.h"
#include "interface.h"
#include "message_box.h"
#include "modifier.h"
#include "param_block.h"
#include "remap_dir.h"
#include "script_engine.h"
#include "script_lexer.h"

namespace {

[[noreturn]] void Fail(std::wstring msg) { throw ScriptRuntimeError{std::move(msg), 0}; }

std::wstring Describe(const ScriptValue& v) {
  if (v.kind == ValKind::String) return L"\"" + v.text + L"\"";
  return ScriptToString(v);
}

void NeedArgs(const ScriptCall& c, size_t n, const wchar_t* fn) {
  if (c.args.size() != n)
    Fail(std::wstring(L"wrong number of arguments to ") + fn + L": got " + std::to_wstring(c.args.size()) +
         L", expected " + std::to_wstring(n));
}

double NumberOf(const ScriptValue& v, const wchar_t* what) {
  if (!v.IsNumber()) Fail(std::wstring(what) + L" needs a number, got " + Describe(v));
  return v.AsDouble();
}

// A node, or each node of an array (the selection when several are selected).
std::vector<INode*> NodesOf(const ScriptValue& v, const wchar_t* fn) {
  std::vector<INode*> out;
  if (v.kind == ValKind::Node) {
    out.push_back(v.node);
  } else if (v.kind == ValKind::Array) {
    for (const ScriptValue& e : *v.arr) {
      if (e.kind != ValKind::Node) Fail(std::wstring(fn) + L" needs nodes, got " + Describe(e));
      out.push_back(e.node);
    }
  } else {
    Fail(std::wstring(fn) + L" needs a node, got " + Describe(v));
  }
  return out;
}

Modifier* ModifierOf(const ScriptValue& v, const wchar_t* fn) {
  Modifier* m = v.kind == ValKind::Ref ? dynamic_cast<Modifier*>(v.ref) : nullptr;
  if (!m) Fail(std::wstring(fn) + L" needs a modifier, got " + Describe(v));
  return m;
}

// Every modifier on the node's stack, top first, across chained derived objects.
ScriptArray ModifiersOf(INode* node) {
  ScriptArray out;
  Object* o = node->GetObjectRef();
  while (o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    auto* d = static_cast<IDerivedObject*>(o);
    for (int k = 0; k < d->NumModifiers(); ++k) out.push_back(ScriptValue::Ref(d->GetModifier(k)));
    o = d->GetObjRef();
  }
  return out;
}

// The rotation part of the node's parent transform.
Quat ParentRotation(INode* node, TimeValue t) {
  Matrix3 m = node->GetParentTM(t);
  for (int r = 0; r < 3; ++r) m.SetRow(r, Normalize(m.GetRow(r)));
  m.NoTrans();
  if (m.Determinant() < 0.0f) m.SetRow(0, -m.GetRow(0));
  return Quat(m);
}

// Turns the node about its pivot by q, expressed in the engine's coordinate
// system, at the current time: keyed in animate mode, else the whole track
// takes the change.
void RotateNode(ScriptEngine& e, INode* node, const Quat& q) {
  const TimeValue t = e.CurrentTime();
  KeyTrack<Quat>& track = node->RotationTrack();
  const Quat cur = track.Eval(t);
  Quat next;
  switch (e.coordSys) {
    case ScriptEngine::CoordSys::Local:
      next = q * cur;
      break;
    case ScriptEngine::CoordSys::Parent:
      next = cur * q;
      break;
    case ScriptEngine::CoordSys::World: {
      // The local rotation is relative to the parent: conjugate the world
      // turn into the parent's frame.
      const Quat p = ParentRotation(node, t);
      next = cur * p * q * p.Inverse();
      break;
    }
  }
  next = next.Normalize();
  if (GetCOREInterface()->GetAnimateMode()) {
    track.SetKey(t, next);
  } else if (!track.IsAnimated()) {
    track.SetValue(next);
  } else {
    const Quat d = cur.Inverse() * next;
    for (int k = 0; k < track.NumKeys(); ++k) track.GetKey(k).value = (track.GetKey(k).value * d).Normalize();
  }
}

void AddModifierToNode(INode* node, Modifier* mod) {
  Object* o = node->GetObjectRef();
  if (!o) Fail(L"addModifier: the node " + std::wstring(node->GetName()) + L" has no object");
  IDerivedObject* d;
  if (o->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    d = static_cast<IDerivedObject*>(o);
  } else {
    d = CreateDerivedObject(o);
    node->SetObjectRef(d);
  }
  d->AddModifier(mod, nullptr, 0);
}

// --- functions -------------------------------------------------------------

ScriptValue FnRotate(ScriptEngine& e, ScriptCall& c) {
  NeedArgs(c, 2, L"rotate");
  const std::vector<INode*> nodes = NodesOf(c.args[0], L"rotate");
  const ScriptValue& r = c.args[1];
  if (r.kind != ValKind::AngleAxis) Fail(L"rotate needs an angleaxis, got " + Describe(r));
  if (r.p.LengthSquared() == 0.0f) Fail(L"rotate: the axis is zero");
  const Quat q = QFromAngAxis(static_cast<float>(r.num * 3.14159265358979323846 / 180.0), r.p);
  for (INode* n : nodes) RotateNode(e, n, q);
  return ScriptValue::Bool(true);
}

ScriptValue FnAngleAxis(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 2, L"angleaxis");
  const double deg = NumberOf(c.args[0], L"angleaxis");
  if (c.args[1].kind != ValKind::Point3) Fail(L"angleaxis needs an axis [x,y,z], got " + Describe(c.args[1]));
  return ScriptValue::AngleAxis(deg, c.args[1].p);
}

ScriptValue FnInterval(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 2, L"interval");
  return ScriptValue::Interval(ScriptTicksOf(c.args[0], L"interval"), ScriptTicksOf(c.args[1], L"interval"));
}

ScriptValue FnCopy(ScriptEngine& e, ScriptCall& c) {
  NeedArgs(c, 1, L"copy");
  const ScriptValue& v = c.args[0];
  switch (v.kind) {
    case ValKind::Ref: {
      RemapDir remap;
      RefTargetHandle clone = remap.CloneRef(v.ref);
      if (!clone) Fail(L"copy: " + Describe(v) + L" cannot be copied");
      e.Keep(clone);
      return ScriptValue::Ref(clone);
    }
    case ValKind::Array:
      return ScriptValue::Array(*v.arr);
    case ValKind::Node:
      Fail(L"copy: nodes cannot be copied");
    case ValKind::Undefined:
      Fail(L"copy needs a value, got undefined");
    default:
      return v;
  }
}

ScriptValue FnAddModifier(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 2, L"addModifier");
  const std::vector<INode*> nodes = NodesOf(c.args[0], L"addModifier");
  Modifier* mod = ModifierOf(c.args[1], L"addModifier");
  for (INode* n : nodes) AddModifierToNode(n, mod);
  return ScriptValue::Bool(true);
}

ScriptValue FnMessageBox(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 1, L"messageBox");
  const std::wstring text = ScriptToString(c.args[0]);
  std::wstring title = L"Script";
  if (const ScriptValue* t = c.Key(L"title")) title = ScriptToString(*t);
  MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK);
  return ScriptValue::Bool(true);
}

ScriptValue FnClassOf(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 1, L"classof");
  return ScriptValue::Class(ScriptClassName(c.args[0]));
}

ScriptValue FnClearSelection(ScriptEngine& e, ScriptCall& c) {
  NeedArgs(c, 0, L"clearSelection");
  GetCOREInterface()->ClearNodeSelection(e.redraw ? TRUE : FALSE);
  return ScriptValue::Bool(true);
}

// select replaces the selection; selectMore adds to it.
ScriptValue SelectNodes(ScriptEngine& e, ScriptCall& c, bool replace, const wchar_t* fn) {
  NeedArgs(c, 1, fn);
  const std::vector<INode*> nodes = NodesOf(c.args[0], fn);
  Interface* ip = GetCOREInterface();
  if (replace) ip->ClearNodeSelection(FALSE);
  for (INode* n : nodes) ip->SelectNode(n, 0);
  if (e.redraw) ip->RedrawViews(ip->GetTime());
  return ScriptValue::Bool(true);
}

ScriptValue FnSelect(ScriptEngine& e, ScriptCall& c) { return SelectNodes(e, c, true, L"select"); }
ScriptValue FnSelectMore(ScriptEngine& e, ScriptCall& c) { return SelectNodes(e, c, false, L"selectMore"); }

ScriptValue FnDeselect(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 1, L"deselect");
  for (INode* n : NodesOf(c.args[0], L"deselect")) GetCOREInterface()->DeSelectNode(n);
  return ScriptValue::Bool(true);
}

ScriptValue FnPrint(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 1, L"print");
  HostTerminalLine("script", Describe(c.args[0]));
  return c.args[0];
}

ScriptValue FnGetCurrentObject(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 0, L"modPanel.getCurrentObject");
  return ScriptValue::Ref(GetCOREInterface()->GetModifyPanelModifier());
}

ScriptValue FnSetCurrentObject(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 1, L"modPanel.setCurrentObject");
  GetCOREInterface()->OpenModifyPanel(ModifierOf(c.args[0], L"modPanel.setCurrentObject"));
  return ScriptValue::Bool(true);
}

ScriptValue FnGetNodeByHandle(ScriptEngine&, ScriptCall& c) {
  NeedArgs(c, 1, L"maxOps.getNodeByHandle");
  const ScriptValue& h = c.args[0];
  if (h.kind != ValKind::Int) Fail(L"maxOps.getNodeByHandle needs an integer, got " + Describe(h));
  // Handle 0 is the scene root, which scripts do not get to touch.
  if (h.i <= 0 || h.i > 0xFFFFFFFFLL) return ScriptValue::Undefined();
  return ScriptValue::Node(GetCOREInterface()->GetINodeByHandle(static_cast<ULONG>(h.i)));
}

struct NamedFn {
  const wchar_t* name;  // lower case
  const wchar_t* shown;
  ScriptFn fn;
};

const NamedFn kFunctions[] = {
    {L"rotate", L"rotate", FnRotate},
    {L"angleaxis", L"angleaxis", FnAngleAxis},
    {L"interval", L"interval", FnInterval},
    {L"copy", L"copy", FnCopy},
    {L"addmodifier", L"addModifier", FnAddModifier},
    {L"messagebox", L"messageBox", FnMessageBox},
    {L"classof", L"classof", FnClassOf},
    {L"clearselection", L"clearSelection", FnClearSelection},
    {L"select", L"select", FnSelect},
    {L"selectmore", L"selectMore", FnSelectMore},
    {L"deselect", L"deselect", FnDeselect},
    {L"print", L"print", FnPrint},
};

const NamedFn kModPanel[] = {
    {L"getcurrentobject", L"modPanel.getCurrentObject", FnGetCurrentObject},
    {L"setcurrentobject", L"modPanel.setCurrentObject", FnSetCurrentObject},
};

const NamedFn kMaxOps[] = {
    {L"getnodebyhandle", L"maxOps.getNodeByHandle", FnGetNodeByHandle},
};

template <size_t N>
bool FindFn(const NamedFn (&table)[N], const std::wstring& name, ScriptValue& out) {
  for (const NamedFn& f : table) {
    if (name == f.name) {
      out = ScriptValue::Function(f.shown, f.fn);
      return true;
    }
  }
  return false;
}

// --- parameters --------------------------------------------------------------

bool FindParam(ReferenceTarget* t, const std::wstring& name, IParamBlock2*& pb, const ParamDef*& def) {
  for (int i = 0; i < t->NumParamBlocks(); ++i) {
    IParamBlock2* b = t->GetParamBlock(i);
    if (!b || !b->GetDesc()) continue;
    for (const ParamDef& d : b->GetDesc()->paramdefs) {
      if (d.int_name && ScriptLower(d.int_name) == name) {
        pb = b;
        def = &d;
        return true;
      }
    }
  }
  return false;
}

ScriptValue GetParam(ScriptEngine& e, IParamBlock2* pb, const ParamDef& d) {
  const TimeValue t = e.CurrentTime();
  switch (d.type) {
    case TYPE_FLOAT: return ScriptValue::Float(pb->GetFloat(d.ID, t));
    case TYPE_INT: return ScriptValue::Int(pb->GetInt(d.ID, t));
    case TYPE_BOOL: return ScriptValue::Bool(pb->GetInt(d.ID, t) != 0);
    default: Fail(L"parameter " + std::wstring(d.int_name) + L" has a type scripts cannot read");
  }
}

void SetParam(ScriptEngine& e, IParamBlock2* pb, const ParamDef& d, const ScriptValue& v) {
  const TimeValue t = e.CurrentTime();
  const std::wstring pname = d.int_name;
  // Times given to numeric parameters count in frames.
  auto number = [&]() -> double {
    if (v.IsNumber()) return v.AsDouble();
    if (v.kind == ValKind::Time) return v.num / GetTicksPerFrame();
    if (v.kind == ValKind::Bool) return v.b ? 1.0 : 0.0;
    Fail(L"cannot set parameter " + pname + L" to " + Describe(v));
  };
  switch (d.type) {
    case TYPE_FLOAT:
      if (v.kind == ValKind::Bool) Fail(L"cannot set parameter " + pname + L" to " + Describe(v));
      pb->SetValue(d.ID, t, static_cast<float>(number()));
      return;
    case TYPE_INT:
      if (v.kind == ValKind::Bool) Fail(L"cannot set parameter " + pname + L" to " + Describe(v));
      pb->SetValue(d.ID, t, static_cast<int>(std::lround(number())));
      return;
    case TYPE_BOOL:
      if (v.kind != ValKind::Bool && v.kind != ValKind::Int)
        Fail(L"cannot set parameter " + pname + L" to " + Describe(v));
      pb->SetValue(d.ID, t, v.kind == ValKind::Bool ? (v.b ? 1 : 0) : (v.i != 0 ? 1 : 0));
      return;
    default:
      Fail(L"parameter " + pname + L" has a type scripts cannot set");
  }
}

[[noreturn]] void UnknownProperty(const ScriptValue& obj, const std::wstring& name) {
  Fail(L"unknown property \"" + name + L"\" in " + Describe(obj));
}

}  // namespace

double ScriptFramesToTicks(double frames) { return frames * GetTicksPerFrame(); }

double ScriptTicksOf(const ScriptValue& v, const wchar_t* what) {
  if (v.kind == ValKind::Time) return v.num;
  if (v.IsNumber()) return ScriptFramesToTicks(v.AsDouble());
  Fail(std::wstring(what) + L" needs a time, got " + Describe(v));
}

bool ScriptGetGlobal(ScriptEngine&, const std::wstring& name, ScriptValue& out) {
  Interface* ip = GetCOREInterface();
  if (name == L"slidertime") {
    out = ScriptValue::Time(ip->GetTime());
    return true;
  }
  if (name == L"animationrange") {
    const Interval r = ip->GetAnimRange();
    out = ScriptValue::Interval(r.Start(), r.End());
    return true;
  }
  if (name == L"selection") {
    ScriptArray nodes;
    for (int k = 0; k < ip->GetSelNodeCount(); ++k) nodes.push_back(ScriptValue::Node(ip->GetSelNode(k)));
    out = ScriptValue::Array(std::move(nodes));
    return true;
  }
  if (name == L"modpanel") {
    out = ScriptValue::Global(L"modPanel");
    return true;
  }
  if (name == L"maxops") {
    out = ScriptValue::Global(L"maxOps");
    return true;
  }
  return FindFn(kFunctions, name, out);
}

bool ScriptSetGlobal(ScriptEngine& e, const std::wstring& name, const ScriptValue& v) {
  Interface* ip = GetCOREInterface();
  if (name == L"slidertime") {
    const double ticks = ScriptTicksOf(v, L"sliderTime");
    ip->SetTime(static_cast<TimeValue>(std::lround(ticks)), e.redraw ? TRUE : FALSE);
    return true;
  }
  if (name == L"animationrange") {
    if (v.kind != ValKind::Interval) Fail(L"animationRange needs an interval, got " + Describe(v));
    const TimeValue s = static_cast<TimeValue>(std::lround(v.num));
    const TimeValue en = static_cast<TimeValue>(std::lround(v.num2));
    if (s >= en) Fail(L"animationRange needs a start before its end");
    ip->SetAnimRange(Interval(s, en));
    return true;
  }
  ScriptValue existing;
  if (ScriptGetGlobal(e, name, existing)) Fail(L"cannot assign to " + name + L": it belongs to the host");
  return false;
}

ScriptValue ScriptGetProperty(ScriptEngine& e, const ScriptValue& obj, const std::wstring& name) {
  switch (obj.kind) {
    case ValKind::Node: {
      INode* n = obj.node;
      if (name == L"name") return ScriptValue::String(n->GetName());
      if (name == L"handle") return ScriptValue::Int(n->GetHandle());
      if (name == L"modifiers") return ScriptValue::Array(ModifiersOf(n));
      if (name == L"parent") {
        INode* p = n->GetParentNode();
        return p && !p->IsRootNode() ? ScriptValue::Node(p) : ScriptValue::Undefined();
      }
      if (name == L"children") {
        ScriptArray kids;
        for (int k = 0; k < n->NumberOfChildren(); ++k) kids.push_back(ScriptValue::Node(n->GetChildNode(k)));
        return ScriptValue::Array(std::move(kids));
      }
      break;
    }
    case ValKind::Ref: {
      if (auto* m = dynamic_cast<Modifier*>(obj.ref)) {
        if (name == L"enabled") return ScriptValue::Bool(m->IsEnabled() != FALSE);
        if (name == L"name") return ScriptValue::String(m->GetName());
      }
      IParamBlock2* pb = nullptr;
      const ParamDef* d = nullptr;
      if (FindParam(obj.ref, name, pb, d)) return GetParam(e, pb, *d);
      break;
    }
    case ValKind::Interval:
      if (name == L"start") return ScriptValue::Time(obj.num);
      if (name == L"end") return ScriptValue::Time(obj.num2);
      break;
    case ValKind::Time:
      if (name == L"frame") return ScriptValue::Float(obj.num / GetTicksPerFrame());
      if (name == L"ticks") return ScriptValue::Int(std::llround(obj.num));
      break;
    case ValKind::Point3:
      if (name == L"x") return ScriptValue::Float(obj.p.x);
      if (name == L"y") return ScriptValue::Float(obj.p.y);
      if (name == L"z") return ScriptValue::Float(obj.p.z);
      break;
    case ValKind::AngleAxis:
      if (name == L"angle") return ScriptValue::Float(obj.num);
      if (name == L"axis") return ScriptValue::Point(obj.p);
      break;
    case ValKind::Array:
      if (name == L"count") return ScriptValue::Int(static_cast<long long>(obj.arr->size()));
      break;
    case ValKind::String:
      if (name == L"count") return ScriptValue::Int(static_cast<long long>(obj.text.size()));
      break;
    case ValKind::Global: {
      ScriptValue fn;
      if (obj.text == L"modPanel" && FindFn(kModPanel, name, fn)) return fn;
      if (obj.text == L"maxOps" && FindFn(kMaxOps, name, fn)) return fn;
      break;
    }
    default:
      break;
  }
  UnknownProperty(obj, name);
}

void ScriptSetProperty(ScriptEngine& e, const ScriptValue& obj, const std::wstring& name, const ScriptValue& v) {
  switch (obj.kind) {
    case ValKind::Node:
      if (name == L"name") {
        if (v.kind != ValKind::String) Fail(L"a node name must be a string, got " + Describe(v));
        obj.node->SetName(v.text.c_str());
        return;
      }
      break;
    case ValKind::Ref: {
      if (auto* m = dynamic_cast<Modifier*>(obj.ref)) {
        if (name == L"enabled") {
          if (v.kind != ValKind::Bool) Fail(L"enabled must be true or false, got " + Describe(v));
          if (v.b) m->EnableMod();
          else m->DisableMod();
          return;
        }
        if (name == L"name") {
          if (v.kind != ValKind::String) Fail(L"a modifier name must be a string, got " + Describe(v));
          m->SetName(v.text);
          return;
        }
      }
      IParamBlock2* pb = nullptr;
      const ParamDef* d = nullptr;
      if (FindParam(obj.ref, name, pb, d)) {
        SetParam(e, pb, *d, v);
        return;
      }
      break;
    }
    default:
      break;
  }
  UnknownProperty(obj, name);
}

ScriptValue ScriptConvert(const ScriptValue& v, const std::wstring& cls) {
  if (cls == L"string") return ScriptValue::String(ScriptToString(v));
  if (cls == L"integer" || cls == L"float") {
    double x;
    if (v.IsNumber()) {
      x = v.AsDouble();
    } else if (v.kind == ValKind::Time) {
      x = v.num / GetTicksPerFrame();
    } else if (v.kind == ValKind::String) {
      wchar_t* end = nullptr;
      x = std::wcstod(v.text.c_str(), &end);
      if (v.text.empty() || (end && *end)) return ScriptValue::Undefined();
    } else {
      Fail(L"cannot convert " + Describe(v) + L" to " + cls);
    }
    if (cls == L"integer") {
      if (!std::isfinite(x) || std::fabs(x) > 9.0e18) Fail(L"cannot convert " + Describe(v) + L" to integer");
      return ScriptValue::Int(static_cast<long long>(x));
    }
    return ScriptValue::Float(x);
  }
  if (cls == L"time") return ScriptValue::Time(ScriptTicksOf(v, L"as time"));
  Fail(L"cannot convert " + Describe(v) + L" to " + cls);
}
