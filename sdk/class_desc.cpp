#include "class_desc.h"

#include <cwchar>

#include "interface.h"
#include "param_map.h"
#include "string_resources.h"

const MCHAR* ClassDesc::GetRsrcString(StringResID id) {
  auto it = strings_.find(id);
  if (it == strings_.end()) {
    wchar_t buf[1024];
    const int n = LoadStringW(HInstance(), static_cast<UINT>(id), buf, 1024);
    // A missing string is remembered too, so it is looked up once.
    it = strings_.emplace(id, n > 0 ? MSTR(buf, n) : MSTR()).first;
  }
  return it->second.empty() ? nullptr : it->second.c_str();
}

ClassDesc2::~ClassDesc2() {
  for (IParamMap2* m : maps_) delete m;
  for (auto& [desc, block] : classBlocks_) block->DeleteMe();
}

void ClassDesc2::AddParamBlockDesc(ParamBlockDesc2* pbd) {
  if (pbd && !GetParamBlockDescByID(pbd->ID)) descs_.push_back(pbd);
}

ParamBlockDesc2* ClassDesc2::GetParamBlockDesc(int i) {
  return i >= 0 && i < NumParamBlockDescs() ? descs_[i] : nullptr;
}

ParamBlockDesc2* ClassDesc2::GetParamBlockDescByID(BlockID id) {
  for (ParamBlockDesc2* d : descs_)
    if (d->ID == id) return d;
  return nullptr;
}

ParamBlockDesc2* ClassDesc2::GetParamBlockDescByName(const MCHAR* name) {
  if (!name) return nullptr;
  for (ParamBlockDesc2* d : descs_)
    if (d->int_name && std::wcscmp(d->int_name, name) == 0) return d;
  return nullptr;
}

void ClassDesc2::MakeAutoParamBlocks(ReferenceMaker* owner) {
  if (!owner) return;
  for (ParamBlockDesc2* d : descs_) {
    if (!(d->flags & P_AUTO_CONSTRUCT) || (d->flags & P_CLASS_PARAMS)) continue;
    IParamBlock2* block = CreateParameterBlock2(d, owner);
    if (owner->ReplaceReference(d->ref_no, block, TRUE) != REF_SUCCEED) block->DeleteMe();
  }
}

IParamBlock2* ClassDesc2::GetClassParamBlock(ParamBlockDesc2* pbd) {
  if (!pbd || !(pbd->flags & P_CLASS_PARAMS)) return nullptr;
  IParamBlock2*& block = classBlocks_[pbd];
  if (!block) block = CreateParameterBlock2(pbd, nullptr);
  return block;
}

IParamMap2* ClassDesc2::GetParamMap(ParamBlockDesc2* pbd, MapID id) {
  for (IParamMap2* m : maps_)
    if (m->GetDesc() == pbd && m->GetMapID() == id) return m;
  return nullptr;
}

void ClassDesc2::BeginEditParams(Interface* ip, ReferenceMaker* obj, ULONG, Animatable*) {
  if (!ip) ip = GetCOREInterface();
  for (ParamBlockDesc2* d : descs_) {
    if (!(d->flags & P_AUTO_UI) || GetParamMap(d)) continue;
    IParamBlock2* block = nullptr;
    if (d->flags & P_CLASS_PARAMS) {
      block = GetClassParamBlock(d);
    } else if (obj) {
      block = obj->GetParamBlockByID(d->ID);
      if (!block && d->ref_no >= 0 && d->ref_no < obj->NumRefs())
        block = dynamic_cast<IParamBlock2*>(obj->GetReference(d->ref_no));
    }
    if (!block) continue;
    const MCHAR* title = GetRsrcString(d->title);
    auto* map = new IParamMap2(block, d, obj, title ? title : L"", ip->GetCommandPanelHWnd());
    maps_.push_back(map);
    map->Open(ip->GetTime());
  }
}

void ClassDesc2::EndEditParams(Interface* ip, ReferenceMaker* obj, ULONG, Animatable*) {
  if (!ip) ip = GetCOREInterface();
  for (size_t i = maps_.size(); i-- > 0;) {
    IParamMap2* m = maps_[i];
    if (m->GetOwner() != obj) continue;
    maps_.erase(maps_.begin() + static_cast<long>(i));
    m->Close(ip->GetTime());
    delete m;
  }
}
