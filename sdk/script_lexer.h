// Stand-in host script engine: splits a script text into tokens.
// Names are case-insensitive, so every name carries a lower-case copy.
#pragma once
#include <string>
#include <vector>

#include "host_types.h"

enum class TokKind {
  Name,     // identifiers and keywords
  Int,      // 30
  Float,    // 30.0, 1e3
  Time,     // 5f (frames) or 80t (ticks); number holds the count, lower the unit
  String,   // text holds the unescaped characters
  Dollar,   // $ (the selection) or $name (text holds the name)
  Punct,    // operators and brackets; text holds them, "#(" for an array start
  Newline,  // end of a line (also ';')
  End,
};

struct Token {
  TokKind kind = TokKind::End;
  std::wstring text;   // as written (unescaped for strings)
  std::wstring lower;  // lower-case text, for names
  double number = 0.0;
  long long integer = 0;
  int line = 1;
  bool spaceBefore = false;  // whitespace right before it (a[1] vs f [1,2,3])
};

// Thrown for text that is not a script, with the line it was found on.
struct ScriptSyntaxError {
  int line;
  std::wstring message;
};

std::wstring ScriptLower(const std::wstring& s);

// The tokens of the text, ending in one End token. Comments ("--" to the end
// of the line, "/* */") are dropped; ';' counts as a line end.
std::vector<Token> TokenizeScript(const std::wstring& text);
