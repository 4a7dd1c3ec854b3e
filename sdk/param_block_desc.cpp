#include "param_block_desc.h"

#include <cstdarg>
#include <cwchar>

#include "class_desc.h"
#include "param_map.h"

namespace {

constexpr int kMaxParams = 4096;  // a list without its final p_end stops here

bool ReadValue(va_list& ap, ParamType2 type, PB2Value& v) {
  switch (type) {
    case TYPE_FLOAT: v.f = static_cast<float>(va_arg(ap, double)); return true;
    case TYPE_INT:
    case TYPE_BOOL: v.i = va_arg(ap, int); return true;
    default: return false;
  }
}

}  // namespace

ParamBlockDesc2::ParamBlockDesc2(BlockID id, const MCHAR* name, StringResID localName, ClassDesc2* classDesc,
                                 int blockFlags, ...)
    : ID(id), int_name(name), local_name(localName), cd(classDesc), flags(blockFlags) {
  va_list ap;
  va_start(ap, blockFlags);
  if (flags & P_AUTO_CONSTRUCT) ref_no = va_arg(ap, int);
  if (flags & P_AUTO_UI) {
    dlg_template = va_arg(ap, int);
    title = va_arg(ap, int);
    test_flags = va_arg(ap, int);
    rollup_flags = va_arg(ap, int);
    dlgProc_ = va_arg(ap, ParamMap2UserDlgProc*);
  }
  for (int n = 0; parseError_.empty(); ++n) {
    const int pid = va_arg(ap, int);
    if (pid == p_end) break;
    if (n >= kMaxParams || pid < 0) {
      parseError_ = "bad parameter id " + std::to_string(pid);
      break;
    }
    ParamDef d;
    d.ID = static_cast<ParamID>(pid);
    d.int_name = va_arg(ap, const MCHAR*);
    d.type = static_cast<ParamType2>(va_arg(ap, int));
    d.flags = va_arg(ap, int);
    d.local_name = va_arg(ap, int);
    if (d.type != TYPE_FLOAT && d.type != TYPE_INT && d.type != TYPE_BOOL) {
      parseError_ = "unsupported type of parameter " + std::to_string(pid);
      break;
    }
    for (;;) {
      const int tag = va_arg(ap, int);
      if (tag == p_end) break;
      if (tag == p_default) {
        ReadValue(ap, d.type, d.def);
      } else if (tag == p_range) {
        ReadValue(ap, d.type, d.range_low);
        ReadValue(ap, d.type, d.range_high);
        d.has_range = true;
      } else if (tag == p_ui) {
        d.ctrl_type = static_cast<ControlType2>(va_arg(ap, int));
        if (d.ctrl_type == TYPE_SPINNER) {
          d.edit_type = va_arg(ap, int);
          d.ctrl_IDs.push_back(va_arg(ap, int));
          d.ctrl_IDs.push_back(va_arg(ap, int));
          d.scale = static_cast<float>(va_arg(ap, double));
        } else if (d.ctrl_type == TYPE_SINGLECHEKBOX || d.ctrl_type == TYPE_CHECKBUTTON) {
          d.ctrl_IDs.push_back(va_arg(ap, int));
        } else if (d.ctrl_type == TYPE_RADIO) {
          const int count = va_arg(ap, int);
          for (int k = 0; k < count && k < 64; ++k) d.ctrl_IDs.push_back(va_arg(ap, int));
        } else {
          parseError_ = "unknown control type of parameter " + std::to_string(pid);
          break;
        }
      } else if (tag == p_accessor) {
        d.accessor = va_arg(ap, PBAccessor*);
      } else {
        parseError_ = "unknown tag " + std::to_string(tag) + " in parameter " + std::to_string(pid);
        break;
      }
    }
    if (parseError_.empty()) paramdefs.push_back(d);
  }
  va_end(ap);
  if (cd) cd->AddParamBlockDesc(this);
}

int ParamBlockDesc2::IDtoIndex(ParamID id) const {
  for (int i = 0; i < Count(); ++i)
    if (paramdefs[i].ID == id) return i;
  return -1;
}

const ParamDef* ParamBlockDesc2::GetParamDef(ParamID id) const {
  const int i = IDtoIndex(id);
  return i < 0 ? nullptr : &paramdefs[i];
}

const ParamDef* ParamBlockDesc2::FindParamByName(const MCHAR* name) const {
  if (!name) return nullptr;
  for (const ParamDef& d : paramdefs)
    if (d.int_name && std::wcscmp(d.int_name, name) == 0) return &d;
  return nullptr;
}

void ParamBlockDesc2::SetUserDlgProc(MapID map_id, ParamMap2UserDlgProc* proc) {
  if (map_id != 0) return;  // one map per block
  dlgProc_ = proc;
  if (IParamMap2* map = cd ? cd->GetParamMap(this, map_id) : nullptr) map->SetUserDlgProc(proc);
}

ParamMap2UserDlgProc* ParamBlockDesc2::GetUserDlgProc(MapID map_id) const {
  return map_id == 0 ? dlgProc_ : nullptr;
}
