// Stand-in host: the script engine plug-ins hand script texts to.
//
// A script runs to its end (or its first error) on the calling thread. An
// error stops the script where it happened; what the script did before stays
// done. Errors are written to the host terminal with their line and, unless
// quietErrors, shown in a message box. Variables live for one run.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host_types.h"
#include "script_parser.h"
#include "script_value.h"

class ReferenceTarget;

// 1 when the script ran to its end, 0 after a syntax or run-time error.
// result is not used. With quietErrors no box is shown; the terminal line is
// then written only with logQuietErrors.
int ExecuteScript(const MCHAR* script, BOOL quietErrors = FALSE, void* result = nullptr,
                  BOOL logQuietErrors = TRUE);

// One ExecuteScript call as the caller made it, for tests that check what a
// plug-in hands to the engine.
struct ScriptRunRecord {
  std::wstring text;
  BOOL quietErrors = FALSE;
  bool resultGiven = false;  // a result value was passed
  BOOL logQuietErrors = TRUE;
  int returned = 0;
};

// Every ExecuteScript call since the last clear, in order; past
// kScriptRunLogLimit entries the older half is dropped.
constexpr size_t kScriptRunLogLimit = 1024;
const std::vector<ScriptRunRecord>& ScriptRunLog();
void ClearScriptRunLog();

// Each ExecuteScript call may evaluate at most this many expressions; past
// it the run stops with a script error, so a runaway loop cannot hang the
// host. Returns the previous budget; the default is kDefaultScriptStepBudget.
constexpr long long kDefaultScriptStepBudget = 200'000'000;
long long SetScriptStepBudget(long long steps);

struct ScriptErrorInfo {
  int line = 0;          // 1-based; 0 when the last run had no error
  std::wstring message;  // without the line
  bool syntax = false;   // found while reading the text, before anything ran
};

// The error of the last ExecuteScript call.
const ScriptErrorInfo& LastScriptError();

// The evaluator. The scene binding (script_scene_binding.h) reads and sets
// its context state.
class ScriptEngine {
 public:
  enum class CoordSys { World, Local, Parent };

  ScriptEngine();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  ScriptValue Run(const AstNode& program) { return Eval(program); }

  // The time scene reads and writes happen at: "at time", else the slider.
  TimeValue CurrentTime() const;
  CoordSys coordSys = CoordSys::World;
  bool redraw = true;

  // Keeps an object the script made (a copy) alive until the run ends; it is
  // deleted then unless the scene references it.
  void Keep(ReferenceTarget* target);

 private:
  class Holder;

  ScriptValue Eval(const AstNode& n);
  ScriptValue EvalNode(const AstNode& n);
  ScriptValue EvalAssign(const AstNode& n);
  ScriptValue EvalCall(const AstNode& n);
  ScriptValue EvalContext(const AstNode& n);
  ScriptValue EvalForIn(const AstNode& n);
  ScriptValue EvalForRange(const AstNode& n);
  ScriptValue Lookup(const std::wstring& name);
  void Store(const std::wstring& name, const ScriptValue& v);
  bool Truth(const ScriptValue& v, const wchar_t* where);

  std::unordered_map<std::wstring, ScriptValue> vars_;
  long long stepsLeft_;
  bool hasTime_ = false;
  TimeValue atTime_ = 0;
  std::unique_ptr<Holder> holder_;
};

// Arithmetic and comparison as the script operators do them (op is "+",
// "-", "*", "/", "==", "!=", "<", ">", "<=", ">="). Throws ScriptRuntimeError.
ScriptValue ScriptBinary(const std::wstring& op, const ScriptValue& a, const ScriptValue& b);
