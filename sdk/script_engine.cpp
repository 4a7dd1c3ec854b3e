#include "script_engine.h"

#include <cmath>
#include <exception>

#include "host_terminal.h"
#include "interface.h"
#include "message_box.h"
#include "reference.h"
#include "script_scene_binding.h"
#include "utf8.h"

// Holds the objects a script made, so they live while the script may use
// them; releasing them deletes those nothing in the scene took up.
class ScriptEngine::Holder : public ReferenceMaker {
 public:
  void Hold(ReferenceTarget* t) { HoldTarget(t); }
};

namespace {

ScriptErrorInfo& LastError() {
  static ScriptErrorInfo info;
  return info;
}

long long& StepBudget() {
  static long long steps = kDefaultScriptStepBudget;
  return steps;
}

[[noreturn]] void Fail(std::wstring msg) { throw ScriptRuntimeError{std::move(msg), 0}; }

std::wstring Describe(const ScriptValue& v) {
  if (v.kind == ValKind::String) return L"\"" + v.text + L"\"";
  return ScriptToString(v);
}

// Restores a piece of context state when a context body ends, also by error.
template <typename T>
class Restore {
 public:
  explicit Restore(T& slot) : slot_(slot), saved_(slot) {}
  ~Restore() { slot_ = saved_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& slot_;
  T saved_;
};

class RestoreAnimate {
 public:
  RestoreAnimate() : saved_(GetCOREInterface()->GetAnimateMode()) {}
  ~RestoreAnimate() { GetCOREInterface()->SetAnimateMode(saved_); }
  RestoreAnimate(const RestoreAnimate&) = delete;
  RestoreAnimate& operator=(const RestoreAnimate&) = delete;

 private:
  BOOL saved_;
};

void Report(int line, const std::wstring& message, bool syntax, BOOL quietErrors, BOOL logQuietErrors) {
  ScriptErrorInfo& info = LastError();
  info.line = line;
  info.message = message;
  info.syntax = syntax;
  const std::wstring text = std::wstring(syntax ? L"Script syntax error" : L"Script error") + L" in line " +
                            std::to_wstring(line) + L": " + message;
  if (!quietErrors || logQuietErrors) HostTerminalLine("script", text);
  if (!quietErrors) MessageBoxW(nullptr, text.c_str(), L"Script Error", MB_OK | MB_ICONEXCLAMATION);
}

// Parses and runs one script; 1 when it ran to its end.
int RunScript(const MCHAR* script, BOOL quietErrors, BOOL logQuietErrors) {
  LastError() = ScriptErrorInfo();
  AstPtr program;
  try {
    program = ParseScript(script ? script : L"");
  } catch (const ScriptSyntaxError& e) {
    Report(e.line, e.message, true, quietErrors, logQuietErrors);
    return 0;
  } catch (const std::exception& e) {
    Report(0, Utf8ToWide(e.what()), true, quietErrors, logQuietErrors);
    return 0;
  }
  try {
    ScriptEngine engine;
    engine.Run(*program);
    return 1;
  } catch (const ScriptRuntimeError& e) {
    Report(e.line, e.message, false, quietErrors, logQuietErrors);
  } catch (const std::exception& e) {
    Report(0, Utf8ToWide(e.what()), false, quietErrors, logQuietErrors);
  }
  return 0;
}

std::vector<ScriptRunRecord>& RunLog() {
  static std::vector<ScriptRunRecord> log;
  return log;
}

}  // namespace

const ScriptErrorInfo& LastScriptError() { return LastError(); }

long long SetScriptStepBudget(long long steps) {
  const long long previous = StepBudget();
  StepBudget() = steps;
  return previous;
}

const std::vector<ScriptRunRecord>& ScriptRunLog() { return RunLog(); }
void ClearScriptRunLog() { RunLog().clear(); }

int ExecuteScript(const MCHAR* script, BOOL quietErrors, void* result, BOOL logQuietErrors) {
  ScriptRunRecord record;
  record.text = script ? script : L"";
  record.quietErrors = quietErrors;
  record.resultGiven = result != nullptr;
  record.logQuietErrors = logQuietErrors;
  record.returned = RunScript(script, quietErrors, logQuietErrors);
  // A long session (a fuzzer) keeps only the latest runs.
  std::vector<ScriptRunRecord>& log = RunLog();
  if (log.size() >= kScriptRunLogLimit) log.erase(log.begin(), log.begin() + log.size() / 2);
  log.push_back(std::move(record));
  return log.back().returned;
}

ScriptEngine::ScriptEngine() : stepsLeft_(StepBudget()), holder_(std::make_unique<Holder>()) {}

// The holder's release deletes what the scene did not take up.
ScriptEngine::~ScriptEngine() = default;

void ScriptEngine::Keep(ReferenceTarget* target) { holder_->Hold(target); }

TimeValue ScriptEngine::CurrentTime() const { return hasTime_ ? atTime_ : GetCOREInterface()->GetTime(); }

ScriptValue ScriptEngine::Lookup(const std::wstring& name) {
  ScriptValue v;
  if (ScriptGetGlobal(*this, name, v)) return v;
  auto it = vars_.find(name);
  return it == vars_.end() ? ScriptValue::Undefined() : it->second;
}

void ScriptEngine::Store(const std::wstring& name, const ScriptValue& v) {
  if (ScriptSetGlobal(*this, name, v)) return;
  vars_[name] = v;
}

bool ScriptEngine::Truth(const ScriptValue& v, const wchar_t* where) {
  if (v.kind != ValKind::Bool) Fail(std::wstring(L"expected true or false ") + where + L", got " + Describe(v));
  return v.b;
}

ScriptValue ScriptEngine::Eval(const AstNode& n) {
  try {
    if (--stepsLeft_ < 0)
      Fail(L"the script ran past its limit of " + std::to_wstring(StepBudget()) + L" steps");
    return EvalNode(n);
  } catch (ScriptRuntimeError& e) {
    if (e.line == 0) e.line = n.line;
    throw;
  }
}

ScriptValue ScriptEngine::EvalNode(const AstNode& n) {
  switch (n.kind) {
    case AstKind::Literal:
      switch (n.litType) {
        case LitType::Undefined: return ScriptValue::Undefined();
        case LitType::Bool: return ScriptValue::Bool(n.flag);
        case LitType::Int: return ScriptValue::Int(n.integer);
        case LitType::Float: return ScriptValue::Float(n.num);
        case LitType::Time: return ScriptValue::Time(n.ticks ? n.num : ScriptFramesToTicks(n.num));
        case LitType::String: return ScriptValue::String(n.name);
      }
      return ScriptValue::Undefined();
    case AstKind::Var:
      return Lookup(n.name);
    case AstKind::Selection: {
      Interface* ip = GetCOREInterface();
      if (!n.name.empty()) {
        std::vector<INode*> all;
        ip->EnumNodes(all);
        const std::wstring want = ScriptLower(n.name);
        for (INode* node : all)
          if (ScriptLower(node->GetName()) == want) return ScriptValue::Node(node);
        return ScriptValue::Undefined();
      }
      const int count = ip->GetSelNodeCount();
      if (count == 0) return ScriptValue::Undefined();
      if (count == 1) return ScriptValue::Node(ip->GetSelNode(0));
      ScriptArray nodes;
      for (int k = 0; k < count; ++k) nodes.push_back(ScriptValue::Node(ip->GetSelNode(k)));
      return ScriptValue::Array(std::move(nodes));
    }
    case AstKind::ArrayLit: {
      ScriptArray items;
      for (const AstPtr& k : n.kids) items.push_back(Eval(*k));
      return ScriptValue::Array(std::move(items));
    }
    case AstKind::Point3Lit: {
      float c[3];
      for (int k = 0; k < 3; ++k) {
        const ScriptValue v = Eval(*n.kids[k]);
        if (!v.IsNumber()) Fail(L"a point needs numbers, got " + Describe(v));
        c[k] = static_cast<float>(v.AsDouble());
      }
      return ScriptValue::Point(Point3(c[0], c[1], c[2]));
    }
    case AstKind::Block: {
      ScriptValue last;
      for (const AstPtr& k : n.kids) last = Eval(*k);
      return last;
    }
    case AstKind::Assign:
      return EvalAssign(n);
    case AstKind::Binary: {
      const ScriptValue a = Eval(*n.kids[0]);
      const ScriptValue b = Eval(*n.kids[1]);
      return ScriptBinary(n.op, a, b);
    }
    case AstKind::Negate: {
      const ScriptValue v = Eval(*n.kids[0]);
      switch (v.kind) {
        case ValKind::Int: return ScriptValue::Int(-v.i);
        case ValKind::Float: return ScriptValue::Float(-v.num);
        case ValKind::Time: return ScriptValue::Time(-v.num);
        case ValKind::Point3: return ScriptValue::Point(-v.p);
        default: Fail(L"cannot negate " + Describe(v));
      }
    }
    case AstKind::Not:
      return ScriptValue::Bool(!Truth(Eval(*n.kids[0]), L"after 'not'"));
    case AstKind::And:
      if (!Truth(Eval(*n.kids[0]), L"before 'and'")) return ScriptValue::Bool(false);
      return ScriptValue::Bool(Truth(Eval(*n.kids[1]), L"after 'and'"));
    case AstKind::Or:
      if (Truth(Eval(*n.kids[0]), L"before 'or'")) return ScriptValue::Bool(true);
      return ScriptValue::Bool(Truth(Eval(*n.kids[1]), L"after 'or'"));
    case AstKind::Call:
      return EvalCall(n);
    case AstKind::Property:
      return ScriptGetProperty(*this, Eval(*n.kids[0]), n.name);
    case AstKind::Index: {
      const ScriptValue obj = Eval(*n.kids[0]);
      const ScriptValue idx = Eval(*n.kids[1]);
      if (obj.kind != ValKind::Array) Fail(L"cannot index " + Describe(obj));
      if (idx.kind != ValKind::Int) Fail(L"an index must be an integer, got " + Describe(idx));
      const long long count = static_cast<long long>(obj.arr->size());
      if (idx.i < 1 || idx.i > count)
        Fail(L"index " + std::to_wstring(idx.i) + L" out of range 1 to " + std::to_wstring(count));
      return (*obj.arr)[static_cast<size_t>(idx.i - 1)];
    }
    case AstKind::If:
      if (Truth(Eval(*n.kids[0]), L"in the 'if' test")) return Eval(*n.kids[1]);
      return n.kids.size() > 2 ? Eval(*n.kids[2]) : ScriptValue::Undefined();
    case AstKind::ForIn:
      return EvalForIn(n);
    case AstKind::ForRange:
      return EvalForRange(n);
    case AstKind::Context:
      return EvalContext(n);
    case AstKind::As:
      return ScriptConvert(Eval(*n.kids[0]), n.name);
  }
  return ScriptValue::Undefined();
}

ScriptValue ScriptEngine::EvalAssign(const AstNode& n) {
  const AstNode& target = *n.kids[0];
  ScriptValue value = Eval(*n.kids[1]);
  if (n.op != L"=") {
    const ScriptValue current = Eval(target);
    value = ScriptBinary(n.op.substr(0, 1), current, value);
  }
  switch (target.kind) {
    case AstKind::Var:
      Store(target.name, value);
      break;
    case AstKind::Property:
      ScriptSetProperty(*this, Eval(*target.kids[0]), target.name, value);
      break;
    case AstKind::Index: {
      const ScriptValue obj = Eval(*target.kids[0]);
      const ScriptValue idx = Eval(*target.kids[1]);
      if (obj.kind != ValKind::Array) Fail(L"cannot index " + Describe(obj));
      if (idx.kind != ValKind::Int || idx.i < 1 || idx.i > 1000000)
        Fail(L"bad array index " + Describe(idx));
      // Arrays grow to take an element past their end.
      if (static_cast<size_t>(idx.i) > obj.arr->size()) obj.arr->resize(static_cast<size_t>(idx.i));
      (*obj.arr)[static_cast<size_t>(idx.i - 1)] = value;
      break;
    }
    default:
      Fail(L"cannot assign to this expression");
  }
  return value;
}

ScriptValue ScriptEngine::EvalCall(const AstNode& n) {
  const ScriptValue callee = Eval(*n.kids[0]);
  if (callee.kind != ValKind::Function) Fail(L"call needs a function, got " + Describe(callee));
  ScriptCall call;
  for (size_t k = 1; k < n.kids.size(); ++k) call.args.push_back(Eval(*n.kids[k]));
  for (size_t k = 0; k < n.keyArgs.size(); ++k) {
    call.keyNames.push_back(n.keyNames[k]);
    call.keyArgs.push_back(Eval(*n.keyArgs[k]));
  }
  return callee.fn(*this, call);
}

ScriptValue ScriptEngine::EvalForIn(const AstNode& n) {
  const ScriptValue coll = Eval(*n.kids[0]);
  if (coll.kind != ValKind::Array) Fail(L"cannot loop over " + Describe(coll));
  // A copy, so that the body may change the array it walks.
  const ScriptArray items = *coll.arr;
  for (const ScriptValue& item : items) {
    vars_[n.name] = item;
    Eval(*n.kids[1]);
  }
  return ScriptValue::Undefined();
}

ScriptValue ScriptEngine::EvalForRange(const AstNode& n) {
  const ScriptValue from = Eval(*n.kids[0]);
  const ScriptValue to = Eval(*n.kids[1]);
  const ScriptValue by = n.kids[2] ? Eval(*n.kids[2]) : ScriptValue::Int(1);
  if (!from.IsNumber() || !to.IsNumber() || !by.IsNumber()) Fail(L"a for range needs numbers");
  const bool ints = from.kind == ValKind::Int && to.kind == ValKind::Int && by.kind == ValKind::Int;
  const double step = by.AsDouble();
  if (step == 0.0) Fail(L"a for range step cannot be 0");
  const double last = to.AsDouble();
  for (double v = from.AsDouble(); step > 0 ? v <= last : v >= last; v += step) {
    vars_[n.name] = ints ? ScriptValue::Int(static_cast<long long>(v)) : ScriptValue::Float(v);
    Eval(*n.kids[3]);
  }
  return ScriptValue::Undefined();
}

ScriptValue ScriptEngine::EvalContext(const AstNode& n) {
  const ScriptValue v = Eval(*n.kids[0]);
  const AstNode& body = *n.kids[1];
  if (n.name == L"animate") {
    const bool on = Truth(v, L"after 'animate'");
    RestoreAnimate keep;
    GetCOREInterface()->SetAnimateMode(on ? TRUE : FALSE);
    return Eval(body);
  }
  if (n.name == L"redraw") {
    const bool on = Truth(v, L"after 'redraw'");
    ScriptValue result;
    {
      Restore<bool> keep(redraw);
      redraw = on;
      result = Eval(body);
    }
    // Views held back inside the context are brought up to date once.
    if (!on && redraw) GetCOREInterface()->RedrawViews(GetCOREInterface()->GetTime());
    return result;
  }
  if (n.name == L"coordsys") {
    CoordSys sys;
    if (v.text == L"local") sys = CoordSys::Local;
    else if (v.text == L"world") sys = CoordSys::World;
    else if (v.text == L"parent") sys = CoordSys::Parent;
    else Fail(L"unknown coordinate system '" + v.text + L"'");
    Restore<CoordSys> keep(coordSys);
    coordSys = sys;
    return Eval(body);
  }
  // "at time"
  const double ticks = ScriptTicksOf(v, L"after 'at time'");
  Restore<bool> keepHas(hasTime_);
  Restore<TimeValue> keepTime(atTime_);
  hasTime_ = true;
  atTime_ = static_cast<TimeValue>(std::lround(ticks));
  return Eval(body);
}

ScriptValue ScriptBinary(const std::wstring& op, const ScriptValue& a, const ScriptValue& b) {
  auto bad = [&]() -> ScriptValue {
    Fail(L"cannot apply '" + op + L"' to " + Describe(a) + L" and " + Describe(b));
  };
  if (op == L"==" || op == L"!=") {
    bool same;
    if (a.kind == ValKind::Time && b.IsNumber()) same = a.num == ScriptFramesToTicks(b.AsDouble());
    else if (b.kind == ValKind::Time && a.IsNumber()) same = b.num == ScriptFramesToTicks(a.AsDouble());
    else same = ScriptEquals(a, b);
    return ScriptValue::Bool(op == L"==" ? same : !same);
  }
  const bool timeCase = (a.kind == ValKind::Time && (b.IsNumber() || b.kind == ValKind::Time)) ||
                        (b.kind == ValKind::Time && a.IsNumber());
  if (op == L"<" || op == L">" || op == L"<=" || op == L">=") {
    int cmp;
    if (timeCase) {
      const double x = ScriptTicksOf(a, L""), y = ScriptTicksOf(b, L"");
      cmp = x < y ? -1 : x > y ? 1 : 0;
    } else if (a.IsNumber() && b.IsNumber()) {
      const double x = a.AsDouble(), y = b.AsDouble();
      cmp = x < y ? -1 : x > y ? 1 : 0;
    } else if (a.kind == ValKind::String && b.kind == ValKind::String) {
      cmp = a.text.compare(b.text);
    } else {
      return bad();
    }
    bool r = op == L"<" ? cmp < 0 : op == L">" ? cmp > 0 : op == L"<=" ? cmp <= 0 : cmp >= 0;
    return ScriptValue::Bool(r);
  }
  if (timeCase) {
    // Numbers added to a time are frames; times scale by numbers.
    if (op == L"+" || op == L"-") {
      const double x = ScriptTicksOf(a, L""), y = ScriptTicksOf(b, L"");
      return ScriptValue::Time(op == L"+" ? x + y : x - y);
    }
    if (op == L"*" && a.kind != b.kind)
      return ScriptValue::Time(a.kind == ValKind::Time ? a.num * b.AsDouble() : b.num * a.AsDouble());
    if (op == L"/" && a.kind == ValKind::Time && b.IsNumber()) {
      if (b.AsDouble() == 0.0) Fail(L"division by zero");
      return ScriptValue::Time(a.num / b.AsDouble());
    }
    return bad();
  }
  if (a.kind == ValKind::Int && b.kind == ValKind::Int) {
    if (op == L"+") return ScriptValue::Int(a.i + b.i);
    if (op == L"-") return ScriptValue::Int(a.i - b.i);
    if (op == L"*") return ScriptValue::Int(a.i * b.i);
    if (op == L"/") {
      if (b.i == 0) Fail(L"division by zero");
      return ScriptValue::Int(a.i / b.i);
    }
    return bad();
  }
  if (a.IsNumber() && b.IsNumber()) {
    const double x = a.AsDouble(), y = b.AsDouble();
    if (op == L"+") return ScriptValue::Float(x + y);
    if (op == L"-") return ScriptValue::Float(x - y);
    if (op == L"*") return ScriptValue::Float(x * y);
    if (op == L"/") {
      if (y == 0.0) Fail(L"division by zero");
      return ScriptValue::Float(x / y);
    }
    return bad();
  }
  if (a.kind == ValKind::Point3 && b.kind == ValKind::Point3) {
    if (op == L"+") return ScriptValue::Point(a.p + b.p);
    if (op == L"-") return ScriptValue::Point(a.p - b.p);
    return bad();
  }
  if (a.kind == ValKind::Point3 && b.IsNumber()) {
    if (op == L"*") return ScriptValue::Point(a.p * static_cast<float>(b.AsDouble()));
    if (op == L"/" && b.AsDouble() != 0.0) return ScriptValue::Point(a.p / static_cast<float>(b.AsDouble()));
    return bad();
  }
  if (b.kind == ValKind::Point3 && a.IsNumber() && op == L"*")
    return ScriptValue::Point(b.p * static_cast<float>(a.AsDouble()));
  if (a.kind == ValKind::String && b.kind == ValKind::String && op == L"+")
    return ScriptValue::String(a.text + b.text);
  return bad();
}
