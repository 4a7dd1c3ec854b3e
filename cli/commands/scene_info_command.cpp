#include "cli/commands/scene_info_command.h"

#include <cstring>
#include <iomanip>

#include "cli/files/output_check.h"
#include "cli/terminal_host/plugin_host.h"
#include "frame/fernwick_ids.h"
#include "sdk/chunk_io.h"
#include "sdk/class_desc.h"
#include "sdk/derived_object.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/rollout_snapshot.h"
#include "sdk/scene_file.h"
#include "sdk/utf8.h"
#include "tools/node_ops.h"

namespace {

std::string Narrow(const std::wstring& s) { return WideToUtf8(s); }

std::string ClassName(Animatable* a) {
  MSTR name;
  a->GetClassName(name);
  return name.empty() ? "(unnamed class)" : Narrow(name);
}

// Vertex and face counts of the captured rest mesh and the proxy flag, from
// the modifier's own saved data.
void RestStatus(ReferenceMaker* mod, int& verts, int& faces, bool& proxy) {
  MemorySave save;
  mod->Save(&save);
  MemoryLoad load(save.Data());
  verts = faces = 0;
  proxy = false;
  ULONG n = 0;
  while (load.OpenChunk() == IO_OK) {
    int value = 0;
    switch (load.CurChunkID()) {
      case 0: load.Read(&verts, 4, &n); break;
      case 1: load.Read(&faces, 4, &n); break;
      case 4: load.Read(&value, 4, &n); proxy = value != 0; break;
      default: break;
    }
    load.CloseChunk();
  }
}

void PrintParameters(IParamBlock2* pb, std::ostream& out) {
  ParamBlockDesc2* desc = pb->GetDesc();
  for (const ParamDef& d : desc->paramdefs) {
    out << "        " << std::left << std::setw(18) << Narrow(d.int_name ? d.int_name : L"") << " ";
    if (d.type == TYPE_FLOAT)
      out << pb->GetFloat(d.ID, GetCOREInterface()->GetTime());
    else if (d.type == TYPE_BOOL)
      out << (pb->GetInt(d.ID, GetCOREInterface()->GetTime()) ? "on" : "off");
    else
      out << pb->GetInt(d.ID, GetCOREInterface()->GetTime());
    out << "\n";
  }
}

void PrintStack(INode* node, std::ostream& out) {
  if (!node->GetObjectRef()) {
    out << "    no object\n";
    return;
  }
  ForEachModifier(node, [&](Modifier* m, int position) {
    out << "    [" << position << "] " << Narrow(m->GetName()) << " (" << ClassName(m) << ")"
        << (m->IsEnabled() ? "" : ", off") << "\n";
    if (m->ClassID() == FERNWICK_CLASS_ID) {
      int verts, faces;
      bool proxy;
      RestStatus(m, verts, faces, proxy);
      out << "        rest state: ";
      if (verts > 0)
        out << verts << " vertices, " << faces << " triangles\n";
      else
        out << "none (press \"Extract state\")\n";
      out << "        proxy created: " << (proxy ? "yes" : "no") << "\n";
      if (IParamBlock2* pb = m->GetParamBlock(0)) PrintParameters(pb, out);
    }
    return true;
  });
  if (Object* base = StackBase(node)) out << "    base: " << ClassName(base) << "\n";
}

}  // namespace

int RunSceneInfo(const std::string& path, const std::string& pluginPath, const std::string& snapshotPath,
                 std::ostream& out, std::ostream& err) {
  std::string error;
  if ((!snapshotPath.empty() && !CheckOutputFile(snapshotPath, error)) || !LoadFernwick(pluginPath, error)) {
    err << "fernwick scene info: " << error << "\n";
    return 1;
  }
  if (!OpenSceneFile(path, err, error)) {
    err << "fernwick scene info: " << error << "\n";
    return 1;
  }
  Interface* ip = GetCOREInterface();
  std::vector<INode*> nodes;
  ip->EnumNodes(nodes);
  const Interval range = ip->GetAnimRange();
  const int tpf = GetTicksPerFrame();
  out << path << ": " << nodes.size() << " nodes, frame " << ip->GetTime() / tpf << " of " << range.Start() / tpf
      << " to " << range.End() / tpf << " at " << ip->GetFrameRate() << " fps\n";
  for (INode* node : nodes) {
    INode* parent = node->GetParentNode();
    out << "  " << Narrow(node->GetName()) << "  handle " << node->GetHandle();
    if (parent && !parent->IsRootNode()) out << ", child of " << Narrow(parent->GetName());
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%06X", node->GetWireColor() & 0xFFFFFFu);
    out << ", wire " << colour << (node->IsHidden() ? ", hidden" : "") << "\n";
    PrintStack(node, out);
  }
  if (ip->GetSelNodeCount() > 0) {
    out << "selected:";
    for (int i = 0; i < ip->GetSelNodeCount(); ++i) out << " " << Narrow(ip->GetSelNode(i)->GetName());
    out << "\n";
  }
  if (!snapshotPath.empty()) {
    Modifier* shown = nullptr;
    for (INode* node : nodes)
      if ((shown = FindModifierByClass(node, FERNWICK_CLASS_ID))) break;
    if (!shown) {
      err << "fernwick scene info: no Fernwick modifier to draw\n";
      CloseHostSession();
      return 1;
    }
    ip->OpenModifyPanel(shown);
    const bool ok = WriteCommandPanelSnapshot(snapshotPath, error);
    ip->CloseModifyPanel();
    if (!ok) {
      err << "fernwick scene info: " << error << "\n";
      CloseHostSession();
      return 1;
    }
    out << "Drew the Fernwick rollout in " << snapshotPath << "\n";
  }
  CloseHostSession();
  return 0;
}
