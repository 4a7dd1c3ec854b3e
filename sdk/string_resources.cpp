#include "string_resources.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "utf8.h"

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string FirstWord(const std::string& s) {
  size_t e = 0;
  while (e < s.size() && !std::isspace(static_cast<unsigned char>(s[e])) && s[e] != ',') ++e;
  return s.substr(0, e);
}

// A number, or a #define'd name; false when neither.
bool ParseId(const std::string& word, const std::map<std::string, long>& defines, long& id) {
  if (word.empty()) return false;
  auto it = defines.find(word);
  if (it != defines.end()) {
    id = it->second;
    return true;
  }
  char* end = nullptr;
  id = std::strtol(word.c_str(), &end, 0);
  return end && *end == '\0';
}

// The quoted text starting at s[pos] == '"'; false when unterminated.
bool ParseQuoted(const std::string& s, size_t pos, std::string& out) {
  out.clear();
  for (size_t i = pos + 1; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\\' && i + 1 < s.size()) {
      const char n = s[++i];
      out += n == 'n' ? '\n' : n == 't' ? '\t' : n;
    } else if (c == '"') {
      if (i + 1 < s.size() && s[i + 1] == '"') {
        out += '"';
        ++i;
      } else {
        return true;
      }
    } else {
      out += c;
    }
  }
  return false;
}

struct ModuleStrings {
  bool loaded = false;
  StringTable table;
};

std::map<HINSTANCE, ModuleStrings>& Cache() {
  static auto* cache = new std::map<HINSTANCE, ModuleStrings>;  // outlives unloads at exit
  return *cache;
}

}  // namespace

void ParseStringTable(const char* script, StringTable& table) {
  if (!script) return;
  std::istringstream in(script);
  std::map<std::string, long> defines;
  std::string raw;
  int depth = 0;             // BEGIN/END nesting
  bool tablePending = false;  // STRINGTABLE seen, its BEGIN not yet
  int tableDepth = -1;       // depth inside the current string table
  while (std::getline(in, raw)) {
    const std::string line = Trim(raw);
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    const std::string word = FirstWord(line);
    if (word == "#define") {
      std::istringstream d(line.substr(7));
      std::string name, value;
      long v = 0;
      if (d >> name >> value && ParseId(value, defines, v)) defines[name] = v;
      continue;
    }
    if (word[0] == '#') continue;
    if (word == "STRINGTABLE") {
      tablePending = true;
      continue;
    }
    if (word == "BEGIN" || word == "{") {
      ++depth;
      if (tablePending) {
        tableDepth = depth;
        tablePending = false;
      }
      continue;
    }
    if (word == "END" || word == "}") {
      if (depth == tableDepth) tableDepth = -1;
      if (depth > 0) --depth;
      continue;
    }
    if (tableDepth < 0 || depth != tableDepth) continue;
    long id = 0;
    const size_t quote = line.find('"');
    if (quote == std::string::npos || !ParseId(word, defines, id)) continue;
    std::string text;
    if (ParseQuoted(line, quote, text)) table[static_cast<UINT>(id)] = Utf8ToWide(text);
  }
}

const char* GetModuleResourceScript(HINSTANCE hInstance) {
  if (!hInstance) return nullptr;
  using ScriptFn = const char* (*)();
  auto fn = reinterpret_cast<ScriptFn>(dlsym(hInstance, HOST_MODULE_RESOURCES_SYMBOL));
  return fn ? fn() : nullptr;
}

int LoadStringW(HINSTANCE hInstance, UINT uID, wchar_t* buffer, int bufferMax) {
  if (!buffer || bufferMax <= 0) return 0;
  buffer[0] = L'\0';
  if (!hInstance) return 0;
  ModuleStrings& m = Cache()[hInstance];
  if (!m.loaded) {
    ParseStringTable(GetModuleResourceScript(hInstance), m.table);
    m.loaded = true;
  }
  auto it = m.table.find(uID);
  if (it == m.table.end()) return 0;
  const int n = std::min(static_cast<int>(it->second.size()), bufferMax - 1);
  it->second.copy(buffer, n);
  buffer[n] = L'\0';
  return n;
}

void ForgetModuleResources(HINSTANCE hInstance) { Cache().erase(hInstance); }
