// Stand-in host script engine: the values scripts compute with.
//
// Scene objects (nodes, modifiers) are held as plain pointers for the length
// of one script run; the engine keeps the objects it creates itself alive.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host_types.h"
#include "point3.h"

class INode;
class ReferenceTarget;
struct ScriptCall;
class ScriptEngine;
struct ScriptValue;

using ScriptArray = std::vector<ScriptValue>;
using ScriptFn = ScriptValue (*)(ScriptEngine&, ScriptCall&);

enum class ValKind {
  Undefined,
  Bool,
  Int,
  Float,
  Time,       // ticks in num
  String,     // text
  Point3,     // p
  AngleAxis,  // num = degrees, p = axis
  Interval,   // num = start ticks, num2 = end ticks
  Array,      // arr (shared: assignment copies the reference)
  Node,       // node
  Ref,        // ref: a modifier or another scene object
  Class,      // text = the class's script name
  Function,   // fn, text = its name
  Global,     // text = a host service (modpanel, maxops)
};

struct ScriptValue {
  ValKind kind = ValKind::Undefined;
  bool b = false;
  long long i = 0;
  double num = 0.0;
  double num2 = 0.0;
  std::wstring text;
  Point3 p;
  std::shared_ptr<ScriptArray> arr;
  INode* node = nullptr;
  ReferenceTarget* ref = nullptr;
  ScriptFn fn = nullptr;

  static ScriptValue Undefined() { return {}; }
  static ScriptValue Bool(bool v);
  static ScriptValue Int(long long v);
  static ScriptValue Float(double v);
  static ScriptValue Time(double ticks);
  static ScriptValue String(std::wstring s);
  static ScriptValue Point(Point3 v);
  static ScriptValue AngleAxis(double degrees, Point3 axis);
  static ScriptValue Interval(double startTicks, double endTicks);
  static ScriptValue Array(ScriptArray items = {});
  static ScriptValue Node(INode* n);
  static ScriptValue Ref(ReferenceTarget* r);
  static ScriptValue Class(std::wstring name);
  static ScriptValue Function(const wchar_t* name, ScriptFn f);
  static ScriptValue Global(const wchar_t* name);

  bool IsNumber() const { return kind == ValKind::Int || kind == ValKind::Float; }
  double AsDouble() const { return kind == ValKind::Int ? static_cast<double>(i) : num; }
};

// A call's arguments: positional ones in order, then name:value pairs.
struct ScriptCall {
  std::vector<ScriptValue> args;
  std::vector<std::wstring> keyNames;  // lower case
  std::vector<ScriptValue> keyArgs;
  const ScriptValue* Key(const wchar_t* name) const;
};

// Script-side errors; the engine adds the line where it is thrown without one.
struct ScriptRuntimeError {
  std::wstring message;
  int line = 0;
};

// The name of the value's class ("Integer", "String", a scene class's name).
std::wstring ScriptClassName(const ScriptValue& v);
// The value as text, as `as string` and messages show it.
std::wstring ScriptToString(const ScriptValue& v);
// Equality as == compares: numbers by value, scene objects by identity.
bool ScriptEquals(const ScriptValue& a, const ScriptValue& b);
