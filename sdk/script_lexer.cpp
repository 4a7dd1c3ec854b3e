#include "script_lexer.h"

#include <cwctype>

namespace {

bool IsNameStart(wchar_t c) { return std::iswalpha(c) || c == L'_'; }
bool IsNameChar(wchar_t c) { return std::iswalnum(c) || c == L'_'; }

}  // namespace

std::wstring ScriptLower(const std::wstring& s) {
  std::wstring out = s;
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

std::vector<Token> TokenizeScript(const std::wstring& src) {
  std::vector<Token> out;
  const size_t n = src.size();
  size_t i = 0;
  int line = 1;
  bool space = false;
  auto push = [&](TokKind k, std::wstring text, int atLine) -> Token& {
    Token t;
    t.kind = k;
    t.text = std::move(text);
    t.line = atLine;
    t.spaceBefore = space;
    out.push_back(std::move(t));
    space = false;
    return out.back();
  };

  while (i < n) {
    const wchar_t c = src[i];
    if (c == L'\n') {
      push(TokKind::Newline, L"\n", line);
      ++line;
      ++i;
      space = true;
      continue;
    }
    if (c == L';') {
      push(TokKind::Newline, L";", line);
      ++i;
      space = true;
      continue;
    }
    if (c == L' ' || c == L'\t' || c == L'\r') {
      space = true;
      ++i;
      continue;
    }
    // A backslash at a line end joins the next line to this one.
    if (c == L'\\' && i + 1 < n && (src[i + 1] == L'\n' || src[i + 1] == L'\r')) {
      i += 1;
      if (i < n && src[i] == L'\r') ++i;
      if (i < n && src[i] == L'\n') ++i;
      ++line;
      space = true;
      continue;
    }
    if (c == L'-' && i + 1 < n && src[i + 1] == L'-') {
      while (i < n && src[i] != L'\n') ++i;
      space = true;
      continue;
    }
    if (c == L'/' && i + 1 < n && src[i + 1] == L'*') {
      const int start = line;
      i += 2;
      while (i < n && !(src[i] == L'*' && i + 1 < n && src[i + 1] == L'/')) {
        if (src[i] == L'\n') ++line;
        ++i;
      }
      if (i >= n) throw ScriptSyntaxError{start, L"unterminated comment"};
      i += 2;
      space = true;
      continue;
    }
    if (IsNameStart(c)) {
      size_t j = i;
      while (j < n && IsNameChar(src[j])) ++j;
      Token& t = push(TokKind::Name, src.substr(i, j - i), line);
      t.lower = ScriptLower(t.text);
      i = j;
      continue;
    }
    if (std::iswdigit(c) || (c == L'.' && i + 1 < n && std::iswdigit(src[i + 1]))) {
      size_t j = i;
      bool isFloat = false;
      while (j < n && std::iswdigit(src[j])) ++j;
      if (j < n && src[j] == L'.' && !(j + 1 < n && std::iswalpha(src[j + 1]))) {
        isFloat = true;
        ++j;
        while (j < n && std::iswdigit(src[j])) ++j;
      }
      if (j < n && (src[j] == L'e' || src[j] == L'E')) {
        size_t k = j + 1;
        if (k < n && (src[k] == L'+' || src[k] == L'-')) ++k;
        if (k < n && std::iswdigit(src[k])) {
          isFloat = true;
          j = k;
          while (j < n && std::iswdigit(src[j])) ++j;
        }
      }
      const std::wstring digits = src.substr(i, j - i);
      TokKind kind = isFloat ? TokKind::Float : TokKind::Int;
      std::wstring unit;
      if (j < n && (src[j] == L'f' || src[j] == L'F' || src[j] == L't' || src[j] == L'T') &&
          !(j + 1 < n && IsNameChar(src[j + 1]))) {
        kind = TokKind::Time;
        unit = static_cast<wchar_t>(std::towlower(src[j]));
        ++j;
      }
      if (j < n && IsNameStart(src[j])) throw ScriptSyntaxError{line, L"bad number: " + src.substr(i, j + 1 - i)};
      Token& t = push(kind, digits, line);
      t.lower = unit;
      t.number = std::wcstod(digits.c_str(), nullptr);
      if (kind == TokKind::Int) t.integer = std::wcstoll(digits.c_str(), nullptr, 10);
      i = j;
      continue;
    }
    if (c == L'"') {
      const int start = line;
      std::wstring text;
      ++i;
      for (;;) {
        if (i >= n) throw ScriptSyntaxError{start, L"unterminated string"};
        const wchar_t d = src[i];
        if (d == L'"') {
          ++i;
          break;
        }
        if (d == L'\n') ++line;
        if (d == L'\\' && i + 1 < n) {
          const wchar_t e = src[i + 1];
          switch (e) {
            case L'n': text += L'\n'; break;
            case L't': text += L'\t'; break;
            case L'r': text += L'\r'; break;
            case L'"': text += L'"'; break;
            case L'\\': text += L'\\'; break;
            default: text += L'\\'; text += e; break;
          }
          if (e == L'\n') ++line;
          i += 2;
          continue;
        }
        text += d;
        ++i;
      }
      push(TokKind::String, std::move(text), start);
      continue;
    }
    if (c == L'$') {
      size_t j = i + 1;
      while (j < n && IsNameChar(src[j])) ++j;
      push(TokKind::Dollar, src.substr(i + 1, j - i - 1), line);
      i = j;
      continue;
    }
    if (c == L'#' && i + 1 < n && src[i + 1] == L'(') {
      push(TokKind::Punct, L"#(", line);
      i += 2;
      continue;
    }
    static const wchar_t* const two[] = {L"==", L"!=", L"<=", L">=", L"+=", L"-=", L"*=", L"/="};
    bool matched = false;
    for (const wchar_t* op : two) {
      if (i + 1 < n && src[i] == op[0] && src[i + 1] == op[1]) {
        push(TokKind::Punct, op, line);
        i += 2;
        matched = true;
        break;
      }
    }
    if (matched) continue;
    if (std::wstring(L"()[],.:=<>+-*/^").find(c) != std::wstring::npos) {
      push(TokKind::Punct, std::wstring(1, c), line);
      ++i;
      continue;
    }
    throw ScriptSyntaxError{line, std::wstring(L"unexpected character '") + c + L"'"};
  }
  push(TokKind::End, L"", line);
  return out;
}
