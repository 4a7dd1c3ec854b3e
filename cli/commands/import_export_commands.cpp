#include "cli/commands/import_export_commands.h"

#include "cli/files/output_check.h"
#include "cli/terminal_host/plugin_host.h"
#include "sdk/interface.h"
#include "sdk/scene_file.h"
#include "sdk/utf8.h"

int RunImport(const CharacterOptions& o, std::ostream& out, std::ostream& err) {
  GltfCharacter c;
  ImportedCharacter ic;
  std::string error;
  if (!CheckOutputFile(o.outPath, error) || !ImportCharacterFile(o, c, ic, out, error) || !SaveScene(o.outPath, error)) {
    err << "fernwick import: " << error << "\n";
    CloseHostSession();
    return 1;
  }
  out << "Wrote " << o.outPath << "\n";
  CloseHostSession();
  return 0;
}

int RunExport(const CharacterOptions& o, std::ostream& out, std::ostream& err) {
  std::string error;
  GltfCharacter c;
  auto fail = [&](const std::string& why) {
    err << "fernwick export: " << why << "\n";
    CloseHostSession();
    return 1;
  };
  if (!CheckOutputFile(o.outPath, error)) return fail(error);
  if (!LoadFernwick(o.pluginPath, error)) return fail(error);
  if (!ReadCharacterFile(o, c, error)) return fail(error);
  if (!OpenSceneFile(o.scenePath, err, error)) return fail(error);
  std::vector<INode*> nodes;
  for (const GltfSkinnedMesh& m : c.meshes) {
    nodes.push_back(GetCOREInterface()->GetINodeByName(Utf8ToWide(m.name).c_str()));
    if (!nodes.back()) return fail("the scene has no node \"" + m.name + "\" for the file's skinned mesh");
  }
  int cut = 0;
  if (!ExportCharacterWeights(c, nodes, o.maxInfluences, o.weightFormat, o.outPath, error, &cut)) return fail(error);
  out << "Wrote " << o.outPath << ": at most " << o.maxInfluences << " influences per vertex, stored as "
      << GltfWeightFormatName(o.weightFormat) << "\n";
  if (cut > 0)
    out << "  " << cut << (cut == 1 ? " vertex has" : " vertices have") << " more in the scene: the " << o.maxInfluences
        << " largest are kept and renormalised (bake solves them again instead)\n";
  CloseHostSession();
  return 0;
}

