// fernwick: runs the Delta Mush modifier on character files from the command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands/bake_command.h"
#include "cli/commands/bone_limit.h"
#include "cli/commands/deform_command.h"
#include "cli/commands/demo_command.h"
#include "cli/commands/import_export_commands.h"
#include "cli/commands/press_command.h"
#include "cli/commands/review_command.h"
#include "cli/commands/scene_info_command.h"
#include "cli/commands/solve_cli_command.h"
#include "cli/studio/studio_command.h"
#include "cli/terminal_host/host_memory.h"
#include "cli/terminal_host/progress_terminal.h"

namespace {

// "auto" or a whole number from 1 to 100.
CLI::Validator BoneLimitValidator() {
  return CLI::Validator(
      [](std::string& value) {
        int limit = 0;
        std::string error;
        return ParseBoneLimit(value, limit, error) ? std::string() : error;
      },
      "auto|1..100");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "studio") RestartWithPassiveWaiting(argv);
  KeepFreedMemoryForReuse();
  CLI::App app{"Fernwick: Delta Mush deformation and Skin weight solving"};
  app.set_version_flag("--version", std::string("fernwick ") + FERNWICK_VERSION);
  app.require_subcommand(1);

  DeformOptions deform;
  bool noFixedBoundary = false;
  CLI::App* deformCmd = app.add_subcommand("deform", "Deform a posed mesh with Delta Mush against its rest mesh");
  CharacterOptions deformGltf;
  auto* restOpt = deformCmd->add_option("--rest", deform.restPath, "Rest mesh (OBJ)")->check(CLI::ExistingFile);
  auto* posedOpt = deformCmd->add_option("--posed", deform.posedPath, "Posed mesh with the rest mesh's topology (OBJ)")
                       ->check(CLI::ExistingFile);
  auto* gltfOpt = deformCmd->add_option("--gltf", deformGltf.inPath,
                                        "Instead: a skinned glTF character; -o names a folder for one OBJ per frame")
                      ->check(CLI::ExistingFile);
  std::string deformClip = "0";
  deformCmd->add_option("--animation", deformClip, "With --gltf: the clip (name or index)")->capture_default_str();
  bool deformLinear = false;
  deformCmd->add_flag("--linear", deformLinear, "With --gltf: the file's own linear skinning instead of Delta Mush");
  restOpt->excludes(gltfOpt);
  posedOpt->excludes(gltfOpt);
  deformCmd->add_option("-o,--output", deform.outPath, "Output mesh (OBJ)")->required();
  deformCmd->add_option("--iter", deform.params.iter, "Smoothing passes")->check(CLI::Range(0, 1000))->capture_default_str();
  deformCmd->add_option("--weight", deform.params.weight, "Strength of each pass")
      ->check(CLI::Range(0.0f, 1.0f))
      ->capture_default_str();
  deformCmd->add_option("--displace", deform.params.displace, "Share of the restored detail")
      ->check(CLI::Range(0.0f, 1.0f))
      ->capture_default_str();
  deformCmd->add_flag("--no-fixed-boundary", noFixedBoundary, "Let open-boundary vertices move");
  deformCmd->add_flag("--vertex-color-mask", deform.params.vertCol, "Mask the effect by the vertex colours");
  deformCmd->add_flag("--show-rest", deform.params.showState, "Write the rest mesh's positions instead");
  std::string path = "tri";
  deformCmd->add_option("--path", path, "Mesh kind handed to the modifier: tri or poly")
      ->check(CLI::IsMember({"tri", "poly"}))
      ->capture_default_str();
  deformCmd->add_option("--plugin", deform.pluginPath, "Path of Fernwick.dlm (default: the installed one)");

  std::string demoDir = "out", demoPlugin;
  bool demoObj = false;
  CLI::App* demoCmd = app.add_subcommand("demo", "Bake the built-in sample character and write the report picture");
  demoCmd->add_option("-o,--output", demoDir, "Folder for the files")->capture_default_str();
  demoCmd->add_flag("--obj", demoObj, "Instead: bend a sample limb and write rest, posed and deformed OBJ files");
  demoCmd->add_option("--plugin", demoPlugin, "Path of Fernwick.dlm (default: the installed one)");

  auto characterOptions = [](CLI::App* cmd, CharacterOptions& o, bool params) {
    cmd->add_option("--mesh", o.meshNames,
                    "Skinned mesh (node or mesh name) to take; repeat for several; default: every skinned mesh");
    cmd->add_option("--fps", o.fps, "Frames per second for sampling animations")->check(CLI::Range(1.0f, 240.0f))->capture_default_str();
    cmd->add_option("--plugin", o.pluginPath, "Path of Fernwick.dlm (default: the installed one)");
    if (!params) return;
    cmd->add_option("--iter", o.params.iter, "Smoothing passes")->check(CLI::Range(0, 1000))->capture_default_str();
    cmd->add_option("--weight", o.params.weight, "Strength of each pass")->check(CLI::Range(0.0f, 1.0f))->capture_default_str();
    cmd->add_option("--displace", o.params.displace, "Share of the restored detail")->check(CLI::Range(0.0f, 1.0f))->capture_default_str();
    if (cmd->get_name() != "bake")
      cmd->add_option("--bone-limit", o.boneLimit, "Candidate bones per vertex (1 to 8 are written)")->check(CLI::Range(1, 100))->capture_default_str();
    cmd->add_option("--iterations", o.solverIterations, "Solver iterations")->check(CLI::Range(1, 15))->capture_default_str();
  };
  auto influenceOptions = [](CLI::App* cmd, CharacterOptions& o, std::string& format) {
    cmd->add_option("--max-influences", o.maxInfluences,
                    "Influences per vertex to write (1 to 8; up to 4 fill JOINTS_0/WEIGHTS_0, which every client reads)")
        ->check(CLI::Range(1, 8))
        ->capture_default_str();
    cmd->add_option("--weight-format", format, "How each weight is stored: float, unorm16 or unorm8")
        ->check(CLI::IsMember({"float", "unorm16", "unorm8"}))
        ->capture_default_str();
  };
  CharacterOptions bake;
  CLI::App* bakeCmd = app.add_subcommand("bake", "Bake Delta Mush into the Skin weights of a glTF character");
  bakeCmd->add_option("IN", bake.inPath, "Character file (.gltf or .glb)")->required()->check(CLI::ExistingFile);
  bakeCmd->add_option("-o,--output", bake.outPath, "Output file (.glb or .gltf)")->required();
  bakeCmd->add_option("--animation", bake.animations,
                      "Train on this clip (name or index; repeat for several), all, or none; default: all the "
                      "file's clips, or the proxy poses when it has none");
  bakeCmd->add_option("--proxy-poses", bake.proxyPoses,
                      "With clips, add the proxy poses of \"Create input animation\" to the training set")
      ->check(CLI::IsMember({"on", "off", "auto"}))
      ->capture_default_str();
  float rangeOfMotion = -1.0f;
  bakeCmd->add_option("--range-of-motion", rangeOfMotion,
                      "Also turn each proxy bone, alone, with its parent and with its grandparent, this many degrees "
                      "each way about its local z and y axes (0: no; default: 90 when training on clips, else 0)")
      ->check(CLI::Range(0.0f, 180.0f));
  bakeCmd->add_option("--evaluate", bake.evaluate,
                      "Report the fit on this clip (repeat for several), all, or none; default: all");
  bakeCmd->add_option("--report", bake.reportPath, "Report picture (PNG); default: beside the output");
  bakeCmd->add_option("--review", bake.reviewPath,
                      "Review page (HTML: the file's skin, Delta Mush and the baked skin played side by side); "
                      "default: beside the output, OUT_review.html; none: no page");
  bakeCmd->add_option("--summary", bake.summaryPath, "Also write the report's figures for machines (JSON)");
  characterOptions(bakeCmd, bake, true);
  std::string bakeBoneLimit = "auto";
  bakeCmd->add_option("--bone-limit", bakeBoneLimit,
                      "Candidate bones per vertex: auto (the smallest from 5 to 8 that keeps every vertex's heaviest "
                      "bone) or 1 to 100 (1 to 8 are written)")
      ->check(BoneLimitValidator())
      ->capture_default_str();
  std::string bakeFormat = "float";
  influenceOptions(bakeCmd, bake, bakeFormat);
  CharacterOptions import;
  CLI::App* importCmd = app.add_subcommand("import", "Turn a glTF character into a scene with Skin and Fernwick");
  importCmd->add_option("IN", import.inPath, "Character file (.gltf or .glb)")->required()->check(CLI::ExistingFile);
  importCmd->add_option("-o,--output", import.outPath, "Scene file to write")->required();
  importCmd->add_option("--animation", import.animations,
                        "Key this clip (name or index; repeat for several, or all) from frame 1, one after another");
  characterOptions(importCmd, import, true);
  CharacterOptions exportOpts;
  CLI::App* exportCmd = app.add_subcommand("export", "Write a scene's Skin weights into a copy of the source file");
  exportCmd->add_option("SCENE", exportOpts.scenePath, "Scene file")->required()->check(CLI::ExistingFile);
  exportCmd->add_option("--source", exportOpts.inPath, "The character file the scene came from")->required()->check(CLI::ExistingFile);
  exportCmd->add_option("-o,--output", exportOpts.outPath, "Output file (.glb or .gltf)")->required();
  std::string exportFormat = "float";
  influenceOptions(exportCmd, exportOpts, exportFormat);
  // The earlier name of --max-influences on export.
  exportCmd->add_option("--bone-limit", exportOpts.maxInfluences)->check(CLI::Range(1, 8))->group("");
  characterOptions(exportCmd, exportOpts, false);

  CharacterOptions reviewOpts;
  std::string reviewBaked;
  CLI::App* reviewCmd = app.add_subcommand("review", "Write the review page of a character and a bake of it");
  reviewCmd->add_option("SOURCE", reviewOpts.inPath, "Character file (.gltf or .glb)")->required()->check(CLI::ExistingFile);
  reviewCmd->add_option("BAKED", reviewBaked, "The same character with other weights (.gltf or .glb)")
      ->required()
      ->check(CLI::ExistingFile);
  reviewCmd->add_option("-o,--output", reviewOpts.outPath, "Review page to write (HTML)")->required();
  reviewCmd->add_option("--evaluate", reviewOpts.evaluate, "Clip to play and score (repeat for several), or all; default: all");
  characterOptions(reviewCmd, reviewOpts, true);

  CLI::App* sceneCmd = app.add_subcommand("scene", "Look into scene files");
  sceneCmd->require_subcommand(1);
  std::string scenePath, scenePlugin, sceneSnapshot;
  CLI::App* sceneInfoCmd = sceneCmd->add_subcommand("info", "Print the nodes, stacks and Fernwick state of a scene");
  sceneInfoCmd->add_option("FILE", scenePath, "Scene file")->required()->check(CLI::ExistingFile);
  sceneInfoCmd->add_option("--plugin", scenePlugin, "Path of Fernwick.dlm (default: the installed one)");
  sceneInfoCmd->add_option("--snapshot", sceneSnapshot, "Draw the Fernwick rollout into this SVG or HTML file");

  PressOptions press;
  CLI::App* pressCmd = app.add_subcommand("press", "Press buttons of the Fernwick rollout on a scene and save it");
  pressCmd->add_option("SCENE", press.scenePath, "Scene file")->required()->check(CLI::ExistingFile);
  pressCmd->add_option("BUTTONS", press.buttons, "Button captions, pressed in order")->required();
  pressCmd->add_option("-o,--output", press.outPath, "Scene file to write")->required();
  pressCmd->add_option("--node", press.nodeName, "Node whose Fernwick rollout to open (default: the first)");
  pressCmd->add_flag("--yes", press.yes, "Answer yes to every question");
  pressCmd->add_option("--plugin", press.pluginPath, "Path of Fernwick.dlm (default: the installed one)");

  SolveOptions solve;
  CLI::App* solveCmd = app.add_subcommand("solve", "Solve Skin weights on a scene and report the fit");
  solveCmd->add_option("SCENE", solve.scenePath, "Scene file")->required()->check(CLI::ExistingFile);
  solveCmd->add_option("-o,--output", solve.outPath, "Scene file to write")->required();
  solveCmd->add_option("--start", solve.startFrame, "First sample frame")->check(CLI::Range(-10000, 10000));
  solveCmd->add_option("--end", solve.endFrame, "Last sample frame")->check(CLI::Range(-10000, 10000));
  std::string solveBoneLimit;
  solveCmd->add_option("--bone-limit", solveBoneLimit,
                       "Candidate bones per vertex: auto (the smallest from 5 to 8 that keeps every vertex's heaviest "
                       "bone) or 1 to 100; default: the scene's")
      ->check(BoneLimitValidator());
  solveCmd->add_option("--iterations", solve.iterations, "Solver iterations")->check(CLI::Range(1, 15));
  solveCmd->add_option("--node", solve.nodeName, "Node whose Fernwick to use (default: the first)");
  solveCmd->add_option("--dump-solve-inputs", solve.dumpPath, "Also write the solve inputs to this file");
  solveCmd->add_flag("--yes", solve.yes, "Answer yes to every question");
  solveCmd->add_option("--plugin", solve.pluginPath, "Path of Fernwick.dlm (default: the installed one)");

  StudioOptions studio;
  CLI::App* studioCmd = app.add_subcommand("studio", "Work the plug-in in a web page on this machine");
  studioCmd->add_option("FILE", studio.file, "Scene file, or a glTF character to import (default: the demo character)")
      ->check(CLI::ExistingFile);
  auto* portOpt = studioCmd->add_option("--port", studio.port, "Port on 127.0.0.1, 0 for any free one (default: " +
                                                                    std::to_string(kStudioDefaultPort) +
                                                                    ", or a free one when that is taken)")
                      ->check(CLI::Range(0, 65535));
  studioCmd->add_option("--animation", studio.animation, "For a character: the clip to key from frame 1 (default: the first)");
  studioCmd->add_option("--plugin", studio.pluginPath, "Path of Fernwick.dlm (default: the installed one)");

  CLI11_PARSE(app, argc, argv);
  ParseGltfWeightFormat(bakeFormat, bake.weightFormat);
  ParseGltfWeightFormat(exportFormat, exportOpts.weightFormat);
  if (rangeOfMotion >= 0.0f) {
    bake.rangeOfMotion = kBakeRangeOfMotionWithClips;
    bake.rangeOfMotion.degrees = rangeOfMotion;
  }
  deformGltf.animations = {deformClip};
  if (!bakeBoneLimit.empty()) {
    std::string unused;
    ParseBoneLimit(bakeBoneLimit, bake.boneLimit, unused);
    bake.boneLimitAuto = bake.boneLimit == 0;
  }
  if (!solveBoneLimit.empty()) {
    int limit = 0;
    std::string unused;
    ParseBoneLimit(solveBoneLimit, limit, unused);
    solve.boneLimitAuto = limit == 0;
    if (limit > 0) solve.boneLimit = limit;
  }
  studio.portGiven = portOpt->count() > 0;
  const ScopedProgressTerminal terminal;

  if (studioCmd->parsed()) return RunStudio(studio, std::cout, std::cerr);

  if (solveCmd->parsed()) return RunSolve(solve, std::cin, std::cout, std::cerr);

  if (pressCmd->parsed()) return RunPress(press, std::cin, std::cout, std::cerr);

  if (sceneInfoCmd->parsed()) return RunSceneInfo(scenePath, scenePlugin, sceneSnapshot, std::cout, std::cerr);

  if (demoCmd->parsed()) return demoObj ? RunDemo(demoDir, std::cout, std::cerr) : RunCharacterDemo(demoDir, demoPlugin, std::cout, std::cerr);
  if (bakeCmd->parsed()) return RunBake(bake, std::cout, std::cerr);
  if (reviewCmd->parsed()) return RunReview(reviewOpts, reviewBaked, std::cout, std::cerr);
  if (importCmd->parsed()) return RunImport(import, std::cout, std::cerr);
  if (exportCmd->parsed()) return RunExport(exportOpts, std::cout, std::cerr);

  if (deformCmd->parsed()) {
    deform.params.boundFixed = !noFixedBoundary;
    if (!deformGltf.inPath.empty()) {
      deformGltf.outPath = deform.outPath;
      deformGltf.params = deform.params;
      deformGltf.pluginPath = deform.pluginPath;
      return RunDeformGltf(deformGltf, std::cout, std::cerr, deformLinear);
    }
    if (deform.restPath.empty() || deform.posedPath.empty()) {
      std::cerr << "fernwick deform: give --rest and --posed OBJ files, or --gltf\n";
      return 1;
    }
    deform.polyPath = path == "poly";
    return RunDeform(deform, std::cout, std::cerr);
  }
  return 1;
}
