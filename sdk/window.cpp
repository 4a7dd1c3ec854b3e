#include "window.h"

#include <algorithm>
#include <set>

namespace {
std::set<HWND>& LiveWindows() {
  static std::set<HWND>* live = new std::set<HWND>;  // outlives every static
  return *live;
}

void DestroyTree(HWND w) {
  for (HWND c : w->children) DestroyTree(c);
  LiveWindows().erase(w);
  delete w;
}
}  // namespace

HWND CreateHeadlessWindow(HWND parent, int id, const wchar_t* text) {
  HWND w = new HWND__;
  w->id = id;
  w->text = text ? text : L"";
  if (parent && IsWindow(parent)) {
    w->parent = parent;
    parent->children.push_back(w);
  }
  LiveWindows().insert(w);
  return w;
}

BOOL DestroyWindow(HWND hWnd) {
  if (!IsWindow(hWnd)) return FALSE;
  if (hWnd->parent) {
    auto& sib = hWnd->parent->children;
    sib.erase(std::remove(sib.begin(), sib.end(), hWnd), sib.end());
  }
  DestroyTree(hWnd);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return hWnd && LiveWindows().count(hWnd) ? TRUE : FALSE; }
