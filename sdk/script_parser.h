// Stand-in host script engine: the syntax tree and the parser that builds it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "script_lexer.h"

enum class AstKind {
  Literal,    // num/text/flag per litType
  Var,        // name
  Selection,  // $ (name empty) or $name
  ArrayLit,   // kids: elements
  Point3Lit,  // kids: x, y, z
  Block,      // kids: expressions in order; value of the last
  Assign,     // op ("=", "+=", ...), kids: target, value
  Binary,     // op, kids: left, right
  Negate,     // kids: operand
  Not,        // kids: operand
  And,        // kids: left, right (short-circuit)
  Or,         // kids: left, right (short-circuit)
  Call,       // kids: callee, positional args...; keyNames/keyArgs for name:value
  Property,   // name, kids: object
  Index,      // kids: object, index
  If,         // kids: condition, then, [else]
  ForIn,      // name: loop variable, kids: collection, body
  ForRange,   // name: loop variable, kids: from, to, by (or null), body
  Context,    // name: "animate", "redraw", "coordsys" or "time"; kids: value, body
  As,         // name: target class, kids: operand
};

enum class LitType { Undefined, Bool, Int, Float, Time, String };

struct AstNode {
  AstKind kind = AstKind::Literal;
  int line = 1;
  std::wstring name;  // lower-case for names, as written for strings
  std::wstring op;
  LitType litType = LitType::Undefined;
  double num = 0.0;
  long long integer = 0;
  bool flag = false;
  bool ticks = false;  // a Time literal in ticks rather than frames
  std::vector<std::unique_ptr<AstNode>> kids;
  std::vector<std::wstring> keyNames;
  std::vector<std::unique_ptr<AstNode>> keyArgs;
};

using AstPtr = std::unique_ptr<AstNode>;

// The whole script as one Block. Throws ScriptSyntaxError.
AstPtr ParseScript(const std::wstring& text);
