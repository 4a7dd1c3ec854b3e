#include "dialog_template.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

#include "string_resources.h"
#include "utf8.h"

namespace {

struct Token {
  enum Type { Str, Word, Comma, Bar } type;
  std::string text;
};

using Field = std::vector<Token>;

struct Statement {
  int line = 0;
  std::vector<Token> tokens;
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool SameClass(const std::wstring& a, const wchar_t* b) {
  // Window class names compare without case.
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && !b[i];
}

const std::map<std::string, long>& StyleNames() {
  static const std::map<std::string, long> names = {
      {"IDC_STATIC", -1},
      {"WS_CHILD", 0x40000000},       {"WS_VISIBLE", 0x10000000},   {"WS_DISABLED", 0x08000000},
      {"WS_BORDER", 0x00800000},      {"WS_GROUP", 0x00020000},     {"WS_TABSTOP", 0x00010000},
      {"WS_VSCROLL", 0x00200000},     {"WS_HSCROLL", 0x00100000},   {"WS_POPUP", static_cast<long>(0x80000000u)},
      {"WS_CAPTION", 0x00C00000},     {"WS_SYSMENU", 0x00080000},   {"WS_CLIPSIBLINGS", 0x04000000},
      {"WS_CLIPCHILDREN", 0x02000000},
      {"BS_PUSHBUTTON", 0x0},         {"BS_DEFPUSHBUTTON", 0x1},    {"BS_CHECKBOX", 0x2},
      {"BS_AUTOCHECKBOX", 0x3},       {"BS_RADIOBUTTON", 0x4},      {"BS_3STATE", 0x5},
      {"BS_AUTO3STATE", 0x6},         {"BS_GROUPBOX", 0x7},         {"BS_AUTORADIOBUTTON", 0x9},
      {"BS_LEFTTEXT", 0x20},          {"BS_PUSHLIKE", 0x1000},      {"BS_MULTILINE", 0x2000},
      {"SS_LEFT", 0x0},               {"SS_CENTER", 0x1},           {"SS_RIGHT", 0x2},
      {"SS_LEFTNOWORDWRAP", 0xC},     {"SS_NOPREFIX", 0x80},        {"SS_SUNKEN", 0x1000},
      {"SS_CENTERIMAGE", 0x200},
      {"ES_LEFT", 0x0},               {"ES_CENTER", 0x1},           {"ES_RIGHT", 0x2},
      {"ES_MULTILINE", 0x4},          {"ES_AUTOHSCROLL", 0x80},     {"ES_READONLY", 0x800},
      {"ES_NUMBER", 0x2000},
      {"DS_SETFONT", 0x40},           {"DS_MODALFRAME", 0x80},      {"DS_FIXEDSYS", 0x8},
      {"DS_CONTROL", 0x400},          {"DS_CENTER", 0x800},
  };
  return names;
}

class Parser {
 public:
  explicit Parser(const char* script) : in_(script ? script : "") {}

  bool Run(std::vector<DialogTemplate>& out, std::string& error) {
    Statement st;
    while (Next(st)) {
      const std::string head = Upper(st.tokens[0].text);
      if (st.tokens[0].type == Token::Word && head == "#DEFINE") {
        Define(st);
      } else if (st.tokens[0].type == Token::Word && !head.empty() && head[0] == '#') {
        continue;  // other preprocessor lines
      } else if (head == "BEGIN" || head == "{") {
        if (!SkipBlock(st.line)) break;
      } else if (st.tokens.size() >= 2 && st.tokens[1].type == Token::Word &&
                 (Upper(st.tokens[1].text) == "DIALOG" || Upper(st.tokens[1].text) == "DIALOGEX")) {
        DialogTemplate d;
        if (!Dialog(st, d)) break;
        for (const DialogTemplate& o : out)
          if (o.id == d.id) {
            Fail(st.line, "dialog " + std::to_string(d.id) + " is defined twice");
            break;
          }
        if (!error_.empty()) break;
        out.push_back(std::move(d));
      }
      // Any other statement (STRINGTABLE, LANGUAGE, ...) is not ours; its
      // BEGIN/END block is skipped above.
    }
    error = error_;
    return error_.empty();
  }

 private:
  bool Fail(int line, const std::string& what) {
    if (error_.empty()) error_ = "line " + std::to_string(line) + ": " + what;
    return false;
  }

  // One logical line, split into tokens; false at the end or on an error.
  bool Next(Statement& st) {
    st.tokens.clear();
    std::string raw;
    while (std::getline(in_, raw)) {
      ++line_;
      if (st.tokens.empty()) st.line = line_;
      if (!Tokenize(raw, st.tokens)) return false;
      if (st.tokens.empty()) continue;
      const Token::Type last = st.tokens.back().type;
      if (last == Token::Comma || last == Token::Bar) continue;  // goes on below
      return true;
    }
    if (!st.tokens.empty()) return Fail(st.line, "statement ends with ',' or '|' at the end of the script");
    return false;
  }

  bool Tokenize(const std::string& s, std::vector<Token>& out) {
    size_t i = 0;
    while (i < s.size()) {
      const char c = s[i];
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
        break;
      } else if (c == ',') {
        out.push_back({Token::Comma, ","});
        ++i;
      } else if (c == '|') {
        out.push_back({Token::Bar, "|"});
        ++i;
      } else if (c == '"') {
        std::string text;
        bool closed = false;
        for (++i; i < s.size(); ++i) {
          const char q = s[i];
          if (q == '\\' && i + 1 < s.size()) {
            const char n = s[++i];
            text += n == 'n' ? '\n' : n == 't' ? '\t' : n;
          } else if (q == '"') {
            if (i + 1 < s.size() && s[i + 1] == '"') {
              text += '"';
              ++i;
            } else {
              closed = true;
              ++i;
              break;
            }
          } else {
            text += q;
          }
        }
        if (!closed) return Fail(line_, "text without its closing quote");
        out.push_back({Token::Str, text});
      } else {
        size_t e = i;
        while (e < s.size() && !std::isspace(static_cast<unsigned char>(s[e])) && s[e] != ',' && s[e] != '|' &&
               s[e] != '"')
          ++e;
        out.push_back({Token::Word, s.substr(i, e - i)});
        i = e;
      }
    }
    return true;
  }

  void Define(const Statement& st) {
    if (st.tokens.size() < 3) return;
    long v = 0;
    if (Value(st.tokens[2].text, v)) defines_[st.tokens[1].text] = v;
  }

  bool SkipBlock(int startLine) {
    int depth = 1;
    Statement st;
    while (depth > 0 && Next(st)) {
      const std::string w = Upper(st.tokens[0].text);
      if (w == "BEGIN" || w == "{") ++depth;
      if (w == "END" || w == "}") --depth;
    }
    if (depth > 0) return Fail(startLine, "block without its END");
    return true;
  }

  bool Value(const std::string& word, long& v) const {
    if (auto it = defines_.find(word); it != defines_.end()) {
      v = it->second;
      return true;
    }
    if (auto it = StyleNames().find(word); it != StyleNames().end()) {
      v = it->second;
      return true;
    }
    if (word.empty()) return false;
    char* end = nullptr;
    v = std::strtol(word.c_str(), &end, 0);
    return end && *end == '\0';
  }

  // Fields of tokens[from...], split at commas.
  static std::vector<Field> Fields(const std::vector<Token>& tokens, size_t from) {
    std::vector<Field> fields;
    if (from >= tokens.size()) return fields;
    fields.emplace_back();
    for (size_t i = from; i < tokens.size(); ++i) {
      if (tokens[i].type == Token::Comma) fields.emplace_back();
      else fields.back().push_back(tokens[i]);
    }
    return fields;
  }

  // name | name | NOT name ..., starting from base.
  bool Number(const Field& f, int line, const std::string& what, long& v, long base = 0) {
    if (f.empty()) return Fail(line, what + " is missing");
    v = base;
    bool expectValue = true, negate = false;
    bool any = false;
    for (const Token& t : f) {
      if (t.type == Token::Bar) {
        if (expectValue) return Fail(line, what + ": '|' without a value before it");
        expectValue = true;
        continue;
      }
      if (t.type != Token::Word || !expectValue) return Fail(line, what + ": expected a number, got '" + t.text + "'");
      if (Upper(t.text) == "NOT") {
        negate = true;
        continue;
      }
      long x = 0;
      if (!Value(t.text, x)) return Fail(line, what + ": '" + t.text + "' is not a number or a known name");
      if (negate) v &= ~x;
      else if (!any && base == 0) v = x;  // a plain value keeps its sign (ids of -1)
      else v |= x;
      any = true;
      negate = false;
      expectValue = false;
    }
    if (expectValue) return Fail(line, what + ": a value is missing");
    return true;
  }

  bool Text(const Field& f, int line, const std::string& what, std::wstring& out) {
    if (f.size() != 1 || f[0].type != Token::Str) return Fail(line, what + " must be one quoted text");
    out = Utf8ToWide(f[0].text);
    return true;
  }

  bool Rect(const std::vector<Field>& f, size_t at, int line, const std::string& ctx, int& x, int& y, int& cx,
            int& cy) {
    long v[4] = {};
    static const char* names[4] = {"x", "y", "width", "height"};
    for (int k = 0; k < 4; ++k)
      if (!Number(f[at + k], line, ctx + names[k], v[k])) return false;
    if (v[2] < 0 || v[3] < 0) return Fail(line, ctx + "negative width or height");
    x = static_cast<int>(v[0]);
    y = static_cast<int>(v[1]);
    cx = static_cast<int>(v[2]);
    cy = static_cast<int>(v[3]);
    return true;
  }

  bool Dialog(const Statement& head, DialogTemplate& d) {
    long id = 0;
    if (!Value(head.tokens[0].text, id) || head.tokens[0].type != Token::Word)
      return Fail(head.line, "dialog name '" + head.tokens[0].text + "' is not a number");
    d.id = static_cast<int>(id);
    const std::string ctx = "dialog " + std::to_string(d.id) + ": ";
    const std::vector<Field> f = Fields(head.tokens, 2);
    const bool ex = Upper(head.tokens[1].text) == "DIALOGEX";
    if (f.size() < 4 || f.size() > (ex ? 5u : 4u))
      return Fail(head.line, ctx + "needs x, y, width, height" + (ex ? " [, help id]" : ""));
    if (!Rect(f, 0, head.line, ctx, d.x, d.y, d.cx, d.cy)) return false;

    Statement st;
    for (;;) {
      if (!Next(st)) return Fail(head.line, ctx + "no BEGIN");
      const std::string w = Upper(st.tokens[0].text);
      if (w == "BEGIN" || w == "{") break;
      const std::vector<Field> hf = Fields(st.tokens, 1);
      if (w == "CAPTION") {
        if (hf.size() != 1 || !Text(hf[0], st.line, ctx + "CAPTION", d.caption)) return false;
      } else if (w == "FONT") {
        long size = 0;
        if (hf.size() < 2 || hf.size() > 5) return Fail(st.line, ctx + "FONT needs size, name");
        if (!Number(hf[0], st.line, ctx + "font size", size) || !Text(hf[1], st.line, ctx + "font name", d.fontName))
          return false;
        d.fontSize = static_cast<int>(size);
      } else if (w != "STYLE" && w != "EXSTYLE" && w != "MENU" && w != "CLASS" && w != "LANGUAGE" &&
                 w != "CHARACTERISTICS" && w != "VERSION") {
        return Fail(st.line, ctx + "unknown statement '" + st.tokens[0].text + "' before BEGIN");
      }
    }
    for (;;) {
      if (!Next(st)) return Fail(head.line, ctx + "no END");
      const std::string w = Upper(st.tokens[0].text);
      if (w == "END" || w == "}") return true;
      if (w == "BEGIN" || w == "{") return Fail(st.line, ctx + "BEGIN inside the control list");
      DialogControlTemplate c;
      c.line = st.line;
      if (!Control(st, ctx, c)) return false;
      d.controls.push_back(std::move(c));
    }
  }

  bool Control(const Statement& st, const std::string& dlgCtx, DialogControlTemplate& c) {
    struct Simple {
      const char* word;
      const wchar_t* cls;
      DWORD style;
      ControlKind kind;
    };
    static const Simple simple[] = {
        {"LTEXT", L"Static", 0x0, ControlKind::TextLeft},
        {"RTEXT", L"Static", 0x2, ControlKind::TextRight},
        {"CTEXT", L"Static", 0x1, ControlKind::TextCenter},
        {"PUSHBUTTON", L"Button", 0x0 | WS_TABSTOP, ControlKind::PushButton},
        {"DEFPUSHBUTTON", L"Button", 0x1 | WS_TABSTOP, ControlKind::PushButton},
        {"GROUPBOX", L"Button", 0x7, ControlKind::GroupBox},
        {"CHECKBOX", L"Button", 0x2 | WS_TABSTOP, ControlKind::CheckBox},
        {"AUTOCHECKBOX", L"Button", 0x3 | WS_TABSTOP, ControlKind::CheckBox},
        {"RADIOBUTTON", L"Button", 0x4, ControlKind::RadioButton},
        {"AUTORADIOBUTTON", L"Button", 0x9, ControlKind::RadioButton},
        {"EDITTEXT", L"Edit", 0x80 | WS_TABSTOP, ControlKind::Edit},
    };
    const std::string word = Upper(st.tokens[0].text);
    const std::string ctx = dlgCtx + st.tokens[0].text + ": ";
    const std::vector<Field> f = Fields(st.tokens, 1);
    long id = 0, style = 0;
    if (word == "CONTROL") {
      if (f.size() < 8 || f.size() > 9)
        return Fail(st.line, ctx + "needs text, id, class, style, x, y, width, height; got " +
                                 std::to_string(f.size()) + " values");
      if (!Text(f[0], st.line, ctx + "text", c.caption) || !Number(f[1], st.line, ctx + "id", id) ||
          !Text(f[2], st.line, ctx + "class", c.windowClass) || !Number(f[3], st.line, ctx + "style", style) ||
          !Rect(f, 4, st.line, ctx, c.x, c.y, c.cx, c.cy))
        return false;
      c.style = static_cast<DWORD>(style);
      c.kind = KindOf(c.windowClass, c.style);
    } else {
      const Simple* s = nullptr;
      for (const Simple& k : simple)
        if (word == k.word) s = &k;
      if (!s) return Fail(st.line, dlgCtx + "unknown control statement '" + st.tokens[0].text + "'");
      const bool hasText = s->kind != ControlKind::Edit;
      const size_t need = hasText ? 6 : 5;
      if (f.size() < need || f.size() > need + 2)
        return Fail(st.line, ctx + "needs " + (hasText ? "text, " : "") + "id, x, y, width, height; got " +
                                 std::to_string(f.size()) + " values");
      size_t at = 0;
      if (hasText && !Text(f[at++], st.line, ctx + "text", c.caption)) return false;
      if (!Number(f[at++], st.line, ctx + "id", id) || !Rect(f, at, st.line, ctx, c.x, c.y, c.cx, c.cy)) return false;
      style = static_cast<long>(s->style);
      if (f.size() > need && !Number(f[need], st.line, ctx + "style", style, static_cast<long>(s->style))) return false;
      c.windowClass = s->cls;
      c.style = static_cast<DWORD>(style);
      c.kind = s->kind;
    }
    if (id < -1 || id > 0xFFFF) return Fail(st.line, ctx + "id " + std::to_string(id) + " is out of range");
    c.id = static_cast<int>(id);
    return true;
  }

  static ControlKind KindOf(const std::wstring& cls, DWORD style) {
    if (SameClass(cls, L"Button")) {
      switch (style & 0xF) {
        case 0: case 1: return ControlKind::PushButton;
        case 2: case 3: case 5: case 6: return ControlKind::CheckBox;
        case 4: case 9: return ControlKind::RadioButton;
        case 7: return ControlKind::GroupBox;
        default: return ControlKind::Other;
      }
    }
    if (SameClass(cls, L"Static")) {
      switch (style & 0x1F) {
        case 0: case 0xB: case 0xC: return ControlKind::TextLeft;
        case 1: return ControlKind::TextCenter;
        case 2: return ControlKind::TextRight;
        default: return ControlKind::Other;
      }
    }
    if (SameClass(cls, L"Edit")) return ControlKind::Edit;
    if (SameClass(cls, L"CustEdit")) return ControlKind::CustEdit;
    if (SameClass(cls, L"SpinnerControl")) return ControlKind::Spinner;
    if (SameClass(cls, L"CustButton")) return ControlKind::CustButton;
    return ControlKind::Other;
  }

  std::istringstream in_;
  int line_ = 0;
  std::map<std::string, long> defines_;
  std::string error_;
};

}  // namespace

bool ParseDialogTemplates(const char* script, std::vector<DialogTemplate>& out, std::string& error) {
  error.clear();
  return Parser(script).Run(out, error);
}

bool LoadDialogTemplate(HINSTANCE hInstance, int id, DialogTemplate& out, std::string& error) {
  const char* script = GetModuleResourceScript(hInstance);
  if (!script) {
    error = "the module has no resource script";
    return false;
  }
  // Parsed afresh each time: a module unloaded and loaded again may come
  // back under the same handle, and the scripts are small.
  std::vector<DialogTemplate> all;
  if (!ParseDialogTemplates(script, all, error)) return false;
  for (DialogTemplate& d : all)
    if (d.id == id) {
      out = std::move(d);
      return true;
    }
  error = "the module has no dialog " + std::to_string(id);
  return false;
}
