// fernwick: runs the Delta Mush modifier on character files from the command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "deform_command.h"
#include "demo_command.h"
#include "press_command.h"
#include "scene_info_command.h"
#include "solve_cli_command.h"

int main(int argc, char** argv) {
  CLI::App app{"Fernwick: Delta Mush deformation and Skin weight solving"};
  app.require_subcommand(1);

  DeformOptions deform;
  bool noFixedBoundary = false;
  CLI::App* deformCmd = app.add_subcommand("deform", "Deform a posed mesh with Delta Mush against its rest mesh");
  deformCmd->add_option("--rest", deform.restPath, "Rest mesh (OBJ)")->required()->check(CLI::ExistingFile);
  deformCmd->add_option("--posed", deform.posedPath, "Posed mesh with the rest mesh's topology (OBJ)")
      ->required()
      ->check(CLI::ExistingFile);
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

  std::string demoDir = "out";
  CLI::App* demoCmd = app.add_subcommand("demo", "Build the sample limb, bend it and deform it with Delta Mush");
  demoCmd->add_option("-o,--output", demoDir, "Folder for the OBJ files")->capture_default_str();

  CLI::App* sceneCmd = app.add_subcommand("scene", "Look into scene files");
  sceneCmd->require_subcommand(1);
  std::string scenePath, scenePlugin;
  CLI::App* sceneInfoCmd = sceneCmd->add_subcommand("info", "Print the nodes, stacks and Fernwick state of a scene");
  sceneInfoCmd->add_option("FILE", scenePath, "Scene file")->required()->check(CLI::ExistingFile);
  sceneInfoCmd->add_option("--plugin", scenePlugin, "Path of Fernwick.dlm (default: the installed one)");

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
  solveCmd->add_option("--bone-limit", solve.boneLimit, "Candidate bones per vertex")->check(CLI::Range(1, 100));
  solveCmd->add_option("--iterations", solve.iterations, "Solver iterations")->check(CLI::Range(1, 15));
  solveCmd->add_option("--node", solve.nodeName, "Node whose Fernwick to use (default: the first)");
  solveCmd->add_option("--dump-solve-inputs", solve.dumpPath, "Also write the solve inputs to this file");
  solveCmd->add_flag("--yes", solve.yes, "Answer yes to every question");
  solveCmd->add_option("--plugin", solve.pluginPath, "Path of Fernwick.dlm (default: the installed one)");

  CLI11_PARSE(app, argc, argv);

  if (solveCmd->parsed()) return RunSolve(solve, std::cin, std::cout, std::cerr);

  if (pressCmd->parsed()) return RunPress(press, std::cin, std::cout, std::cerr);

  if (sceneInfoCmd->parsed()) return RunSceneInfo(scenePath, scenePlugin, std::cout, std::cerr);

  if (demoCmd->parsed()) return RunDemo(demoDir, std::cout, std::cerr);

  if (deformCmd->parsed()) {
    deform.params.boundFixed = !noFixedBoundary;
    deform.polyPath = path == "poly";
    return RunDeform(deform, std::cout, std::cerr);
  }
  return 1;
}
