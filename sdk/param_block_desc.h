// Stand-in host: the description of a parameter block, built by a plug-in
// from one varargs list and registered with the plug-in's class descriptor.
//
// ParamBlockDesc2(id, internalName, localName, classDesc, flags, ...):
//   if flags has P_AUTO_CONSTRUCT: int reference number;
//   if flags has P_AUTO_UI: int dialog id, int title string id, int test
//     flags (0), int rollout flags (APPENDROLL_CLOSED), user dlg proc
//     (ParamMap2UserDlgProc*, nullptr for none);
//   then per parameter: int id, const MCHAR* internal name, ParamType2 type,
//     int flags, int local-name string id, then tagged items, then p_end:
//       p_default, value
//       p_range, low, high
//       p_ui, TYPE_SPINNER, EDITTYPE_FLOAT or EDITTYPE_INT, edit id, spinner id, scale
//       p_ui, TYPE_SINGLECHEKBOX, id      p_ui, TYPE_CHECKBUTTON, id
//       p_ui, TYPE_RADIO, count, id...
//       p_accessor, PBAccessor*
//   and a final p_end.
// Values of TYPE_FLOAT parameters and spinner scales are floating point
// (they travel as double); TYPE_INT and TYPE_BOOL values are ints. Pointers
// must be passed as pointers (nullptr, not 0).
#pragma once
#include <string>
#include <vector>

#include "param_accessor.h"

class ClassDesc2;
class ParamMap2UserDlgProc;

enum ParamType2 : int { TYPE_FLOAT = 0, TYPE_INT = 1, TYPE_RGBA = 2, TYPE_POINT3 = 3, TYPE_BOOL = 4 };

enum ControlType2 : int {
  TYPE_NO_CONTROL = -1,
  TYPE_SPINNER = 0,
  TYPE_RADIO = 1,
  TYPE_SINGLECHEKBOX = 2,
  TYPE_SINGLECHECKBOX = TYPE_SINGLECHEKBOX,
  TYPE_CHECKBUTTON = 6,
};

enum EditSpinnerType : int { EDITTYPE_INT = 0, EDITTYPE_FLOAT = 1 };

enum ParamTags : int {
  p_end = -1,
  p_default = 0x1001,
  p_range = 0x1002,
  p_ui = 0x1003,
  p_accessor = 0x1004,
};

// Block flags.
constexpr int P_CLASS_PARAMS = 0x1;
constexpr int P_AUTO_CONSTRUCT = 0x2;
constexpr int P_AUTO_UI = 0x4;
// Parameter flags.
constexpr int P_ANIMATABLE = 0x1;
constexpr int P_TRANSIENT = 0x2;
constexpr int P_RESET_DEFAULT = 0x20;
// Rollout flags.
constexpr int APPENDROLL_CLOSED = 0x1;

struct ParamDef {
  ParamID ID = -1;
  const MCHAR* int_name = nullptr;
  ParamType2 type = TYPE_FLOAT;
  int flags = 0;
  StringResID local_name = 0;
  PB2Value def{};  // f for TYPE_FLOAT, i otherwise
  bool has_range = false;
  PB2Value range_low{}, range_high{};
  ControlType2 ctrl_type = TYPE_NO_CONTROL;
  int edit_type = EDITTYPE_FLOAT;
  std::vector<int> ctrl_IDs;  // edit then spinner, or the one control, or the radio buttons
  float scale = 0.0f;
  PBAccessor* accessor = nullptr;
};

class ParamBlockDesc2 {
 public:
  ParamBlockDesc2(BlockID ID, const MCHAR* int_name, StringResID local_name, ClassDesc2* cd, int flags, ...);
  ParamBlockDesc2(const ParamBlockDesc2&) = delete;
  ParamBlockDesc2& operator=(const ParamBlockDesc2&) = delete;
  ~ParamBlockDesc2() = default;

  BlockID ID;
  const MCHAR* int_name;
  StringResID local_name;
  ClassDesc2* cd;
  int flags;
  int ref_no = -1;
  int dlg_template = 0;
  StringResID title = 0;
  int test_flags = 0;
  int rollup_flags = 0;
  std::vector<ParamDef> paramdefs;

  int Count() const { return static_cast<int>(paramdefs.size()); }
  int IDtoIndex(ParamID id) const;
  ParamID IndextoID(int index) const { return index >= 0 && index < Count() ? paramdefs[index].ID : -1; }
  const ParamDef* GetParamDef(ParamID id) const;
  const ParamDef* FindParamByName(const MCHAR* name) const;

  // The user dialog procedure of map 0 (or of map_id). A map takes the
  // procedure when it opens, or at once when it is open, and deletes it
  // through DeleteThis when it closes.
  void SetUserDlgProc(ParamMap2UserDlgProc* proc = nullptr) { SetUserDlgProc(0, proc); }
  void SetUserDlgProc(MapID map_id, ParamMap2UserDlgProc* proc);
  ParamMap2UserDlgProc* GetUserDlgProc(MapID map_id = 0) const;

  // Empty when the varargs list was understood; otherwise what went wrong
  // (parameters after the fault are missing).
  const std::string& ParseError() const { return parseError_; }

 private:
  friend class IParamMap2;
  ParamMap2UserDlgProc* dlgProc_ = nullptr;
  std::string parseError_;
};
