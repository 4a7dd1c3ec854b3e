#include "script_value.h"

#include <cmath>
#include <cwchar>

#include "derived_object.h"
#include "inode.h"
#include "interval.h"
#include "modifier.h"
#include "plugin_manager.h"

ScriptValue ScriptValue::Bool(bool v) {
  ScriptValue r;
  r.kind = ValKind::Bool;
  r.b = v;
  return r;
}
ScriptValue ScriptValue::Int(long long v) {
  ScriptValue r;
  r.kind = ValKind::Int;
  r.i = v;
  return r;
}
ScriptValue ScriptValue::Float(double v) {
  ScriptValue r;
  r.kind = ValKind::Float;
  r.num = v;
  return r;
}
ScriptValue ScriptValue::Time(double ticks) {
  ScriptValue r;
  r.kind = ValKind::Time;
  r.num = ticks;
  return r;
}
ScriptValue ScriptValue::String(std::wstring s) {
  ScriptValue r;
  r.kind = ValKind::String;
  r.text = std::move(s);
  return r;
}
ScriptValue ScriptValue::Point(Point3 v) {
  ScriptValue r;
  r.kind = ValKind::Point3;
  r.p = v;
  return r;
}
ScriptValue ScriptValue::AngleAxis(double degrees, Point3 axis) {
  ScriptValue r;
  r.kind = ValKind::AngleAxis;
  r.num = degrees;
  r.p = axis;
  return r;
}
ScriptValue ScriptValue::Interval(double startTicks, double endTicks) {
  ScriptValue r;
  r.kind = ValKind::Interval;
  r.num = startTicks;
  r.num2 = endTicks;
  return r;
}
ScriptValue ScriptValue::Array(ScriptArray items) {
  ScriptValue r;
  r.kind = ValKind::Array;
  r.arr = std::make_shared<ScriptArray>(std::move(items));
  return r;
}
ScriptValue ScriptValue::Node(INode* n) {
  if (!n) return Undefined();
  ScriptValue r;
  r.kind = ValKind::Node;
  r.node = n;
  return r;
}
ScriptValue ScriptValue::Ref(ReferenceTarget* t) {
  if (!t) return Undefined();
  ScriptValue r;
  r.kind = ValKind::Ref;
  r.ref = t;
  return r;
}
ScriptValue ScriptValue::Class(std::wstring name) {
  ScriptValue r;
  r.kind = ValKind::Class;
  r.text = std::move(name);
  return r;
}
ScriptValue ScriptValue::Function(const wchar_t* name, ScriptFn f) {
  ScriptValue r;
  r.kind = ValKind::Function;
  r.text = name;
  r.fn = f;
  return r;
}
ScriptValue ScriptValue::Global(const wchar_t* name) {
  ScriptValue r;
  r.kind = ValKind::Global;
  r.text = name;
  return r;
}

const ScriptValue* ScriptCall::Key(const wchar_t* name) const {
  for (size_t k = 0; k < keyNames.size(); ++k)
    if (keyNames[k] == name) return &keyArgs[k];
  return nullptr;
}

namespace {

// The name scripts know a scene class by: the descriptor's script name,
// else its class name, else what the object calls itself.
std::wstring SceneClassName(Animatable* a) {
  if (!a) return L"UndefinedClass";
  if (ClassDesc* cd = FindClassDesc(a->SuperClassID(), a->ClassID())) {
    if (const MCHAR* n = cd->InternalName(); n && *n) return n;
    if (const MCHAR* n = cd->ClassName(); n && *n) return n;
  }
  MSTR s;
  a->GetClassName(s);
  return s.empty() ? L"Unknown" : s;
}

std::wstring Number(double v) {
  wchar_t buf[64];
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) std::swprintf(buf, 64, L"%.1f", v);
  else std::swprintf(buf, 64, L"%g", v);
  return buf;
}

std::wstring Frames(double ticks) {
  const double f = ticks / GetTicksPerFrame();
  wchar_t buf[64];
  if (f == std::floor(f)) std::swprintf(buf, 64, L"%.0ff", f);
  else std::swprintf(buf, 64, L"%gf", f);
  return buf;
}

}  // namespace

std::wstring ScriptClassName(const ScriptValue& v) {
  switch (v.kind) {
    case ValKind::Undefined: return L"UndefinedClass";
    case ValKind::Bool: return L"BooleanClass";
    case ValKind::Int: return L"Integer";
    case ValKind::Float: return L"Float";
    case ValKind::Time: return L"Time";
    case ValKind::String: return L"String";
    case ValKind::Point3: return L"Point3";
    case ValKind::AngleAxis: return L"AngleAxis";
    case ValKind::Interval: return L"Interval";
    case ValKind::Array: return L"Array";
    case ValKind::Class: return L"Class";
    case ValKind::Function: return L"Function";
    case ValKind::Global: return L"Interface";
    case ValKind::Node: {
      Object* o = v.node->GetObjectRef();
      while (o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID) o = static_cast<IDerivedObject*>(o)->GetObjRef();
      return o ? SceneClassName(o) : L"Node";
    }
    case ValKind::Ref: return SceneClassName(v.ref);
  }
  return L"Unknown";
}

std::wstring ScriptToString(const ScriptValue& v) {
  switch (v.kind) {
    case ValKind::Undefined: return L"undefined";
    case ValKind::Bool: return v.b ? L"true" : L"false";
    case ValKind::Int: return std::to_wstring(v.i);
    case ValKind::Float: return Number(v.num);
    case ValKind::Time: return Frames(v.num);
    case ValKind::String: return v.text;
    case ValKind::Point3: return L"[" + Number(v.p.x) + L"," + Number(v.p.y) + L"," + Number(v.p.z) + L"]";
    case ValKind::AngleAxis:
      return L"(angleaxis " + Number(v.num) + L" " + ScriptToString(ScriptValue::Point(v.p)) + L")";
    case ValKind::Interval: return L"(interval " + Frames(v.num) + L" " + Frames(v.num2) + L")";
    case ValKind::Array: {
      std::wstring s = L"#(";
      for (size_t k = 0; k < v.arr->size(); ++k) {
        if (k) s += L", ";
        const ScriptValue& e = (*v.arr)[k];
        s += e.kind == ValKind::String ? L"\"" + e.text + L"\"" : ScriptToString(e);
      }
      return s + L")";
    }
    case ValKind::Node: return L"$" + std::wstring(v.node->GetName());
    case ValKind::Ref: {
      std::wstring s = SceneClassName(v.ref);
      if (auto* m = dynamic_cast<Modifier*>(v.ref)) s += L":" + m->GetName();
      return s;
    }
    case ValKind::Class:
    case ValKind::Function:
    case ValKind::Global:
      return v.text;
  }
  return L"";
}

bool ScriptEquals(const ScriptValue& a, const ScriptValue& b) {
  if (a.IsNumber() && b.IsNumber()) return a.AsDouble() == b.AsDouble();
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case ValKind::Undefined: return true;
    case ValKind::Bool: return a.b == b.b;
    case ValKind::Time: return a.num == b.num;
    case ValKind::String:
    case ValKind::Class:
    case ValKind::Global:
      return a.text == b.text;
    case ValKind::Point3: return a.p == b.p;
    case ValKind::AngleAxis: return a.num == b.num && a.p == b.p;
    case ValKind::Interval: return a.num == b.num && a.num2 == b.num2;
    case ValKind::Array: return a.arr == b.arr;
    case ValKind::Node: return a.node == b.node;
    case ValKind::Ref: return a.ref == b.ref;
    case ValKind::Function: return a.fn == b.fn;
    default: return false;
  }
}
