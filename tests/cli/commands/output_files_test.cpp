// Every file the program writes replaces the previous one whole or leaves it
// as it was: after a full disk at any of a command's files, after a kill
// mid-bake, the user still has the file they had, and no stray temporaries.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <set>
#include <sstream>
#include <thread>

#include "cli/commands/bake_command.h"
#include "cli/commands/deform_command.h"
#include "cli/commands/demo_command.h"
#include "cli/commands/import_export_commands.h"
#include "cli/commands/press_command.h"
#include "cli/commands/review_command.h"
#include "cli/commands/scene_info_command.h"
#include "cli/commands/solve_cli_command.h"
#include "sdk/atomic_write.h"
#include "tests/support/run_program.h"
#include "tests/support/sanitizers.h"
#include "tests/support/small_tail.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// What stood at an output before the command ran: distinct per file.
std::string Previous(const std::string& name) {
  std::string text = "the user's previous " + name + "\n";
  while (text.size() < 4000) text += text;
  return text;
}

// Whether the file holds exactly text (compared quietly: outputs are binary).
bool Holds(const std::string& file, const std::string& text) { return TempDir::Read(file) == text; }

std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// A disk that fills up when the command starts its k-th file (from 1; 0:
// never). Counts the files the command wrote or tried to.
class FullDiskAt {
 public:
  explicit FullDiskAt(int k) : k_(k) {
    SetAtomicWriteFaultForTesting([this](size_t offset, size_t) {
      if (offset == 0) ++files_;
      return files_ != k_;
    });
  }
  ~FullDiskAt() { SetAtomicWriteFaultForTesting({}); }
  int files() const { return files_; }

 private:
  int k_;
  int files_ = 0;
};

struct Command {
  std::string name;
  std::vector<std::string> outputs;  // in the output folder, in the order they are written
  std::function<int(std::ostream& out, std::ostream& err)> run;
};

// Inputs in in/, outputs in out/; the commands as the program runs them.
class OutputFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(in_);
    fs::create_directory(out_);
    tail_ = WriteSmallTail(dir_, 1, "in/tail.glb");
    std::ostringstream out, err;
    CharacterOptions imp = Character();
    imp.outPath = In("s.fws");
    ASSERT_EQ(RunImport(imp, out, err), 0) << err.str();
    SolveOptions solve;
    solve.scenePath = imp.outPath;
    solve.outPath = In("solved.fws");
    solve.iterations = 2;
    solve.yes = true;
    std::istringstream none;
    ASSERT_EQ(RunSolve(solve, none, out, err), 0) << err.str();
    // A 3 x 3 grid, and the same with its middle lifted.
    std::string grid;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) grid += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
    std::string posed = grid;
    posed.replace(posed.find("v 1 1 0"), 7, "v 1 1 1");
    const std::string faces = "f 1 2 5 4\nf 2 3 6 5\nf 4 5 8 7\nf 5 6 9 8\n";
    dir_.Write("in/rest.obj", grid + faces);
    dir_.Write("in/posed.obj", posed + faces);
  }

  std::string In(const std::string& name) const { return (in_ / name).string(); }
  std::string Out(const std::string& name) const { return (out_ / name).string(); }
  CharacterOptions Character() const {
    CharacterOptions o;
    o.inPath = tail_;
    o.params.iter = 4;
    o.solverIterations = 2;
    o.animations = {"none"};
    o.evaluate = {"none"};
    o.quiet = true;
    return o;
  }

  std::vector<Command> Commands() const {
    std::vector<Command> commands;
    {
      CharacterOptions o = Character();
      o.outPath = Out("baked.glb");
      o.summaryPath = Out("summary.json");
      commands.push_back({"bake to GLB", {"baked.glb", "baked_report.png", "baked_review.html", "summary.json"},
                          [o](auto& out, auto& err) { return RunBake(o, out, err); }});
      o.summaryPath.clear();
      // The same writer as the GLB's: left to the ordinary build, as each
      // bake takes a second or more under the sanitizers.
      o.outPath = Out("baked.gltf");
      o.reportPath = Out("picture.png");
      o.reviewPath = Out("page.html");
      if (!FW_SANITIZED)
        commands.push_back({"bake to glTF", {"baked.gltf", "picture.png", "page.html"},
                            [o](auto& out, auto& err) { return RunBake(o, out, err); }});
      CharacterOptions r = Character();
      r.outPath = Out("review.html");
      const std::string baked = tail_;
      commands.push_back({"review", {"review.html"},
                          [r, baked](auto& out, auto& err) { return RunReview(r, baked, out, err); }});
    }
    {
      CharacterOptions o = Character();
      o.outPath = Out("s.fws");
      commands.push_back({"import", {"s.fws"}, [o](auto& out, auto& err) { return RunImport(o, out, err); }});
      o.scenePath = In("solved.fws");
      o.outPath = Out("exported.glb");
      commands.push_back({"export", {"exported.glb"}, [o](auto& out, auto& err) { return RunExport(o, out, err); }});
    }
    PressOptions press;
    press.scenePath = In("s.fws");
    press.buttons = {"Extract state"};
    press.outPath = Out("p.fws");
    press.yes = true;
    commands.push_back({"press", {"p.fws"}, [press](auto& out, auto& err) {
                          std::istringstream none;
                          return RunPress(press, none, out, err);
                        }});
    SolveOptions solve;
    solve.scenePath = In("s.fws");
    solve.outPath = Out("solved.fws");
    solve.dumpPath = Out("inputs.bin");
    solve.iterations = 2;
    solve.yes = true;
    commands.push_back({"solve", {"inputs.bin", "solved.fws"}, [solve](auto& out, auto& err) {
                          std::istringstream none;
                          return RunSolve(solve, none, out, err);
                        }});
    for (const char* snapshot : {"panel.svg", "panel.html"}) {
      const std::string scene = In("solved.fws"), path = Out(snapshot);
      commands.push_back({std::string("scene info --snapshot ") + snapshot, {snapshot},
                          [scene, path](auto& out, auto& err) { return RunSceneInfo(scene, "", path, out, err); }});
    }
    {
      CharacterOptions o = Character();
      o.animations = {};
      o.outPath = out_.string();
      std::vector<std::string> frames;
      for (int f = 1; f <= 31; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%04d.obj", f);
        frames.push_back(name);
      }
      commands.push_back({"deform --gltf", frames, [o](auto& out, auto& err) { return RunDeformGltf(o, out, err); }});
    }
    DeformOptions deform;
    deform.restPath = In("rest.obj");
    deform.posedPath = In("posed.obj");
    deform.outPath = Out("bent.obj");
    commands.push_back({"deform", {"bent.obj"}, [deform](auto& out, auto& err) { return RunDeform(deform, out, err); }});
    // The limb's 300 smoothing passes take seconds a run under the sanitizers.
    const std::string folder = out_.string();
    if (!FW_SANITIZED)
      commands.push_back({"demo --obj", {"rest.obj", "posed.obj", "deformed.obj"},
                          [folder](auto& out, auto& err) { return RunDemo(folder, out, err); }});
    return commands;
  }

  // The user's previous files at every output of c, and nothing else in out/.
  void PlacePrevious(const Command& c) {
    fs::remove_all(out_);
    fs::create_directory(out_);
    for (const std::string& name : c.outputs) dir_.Write("out/" + name, Previous(name));
  }

  TempDir dir_;
  fs::path in_ = dir_.path / "in", out_ = dir_.path / "out";
  std::string tail_;
};

TEST_F(OutputFiles, AFullDiskAtAnyFileLeavesThatFileAndTheRestAsTheyWere) {
  const fs::path kept = dir_.path / "kept";
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.name);
    const std::set<std::string> names(c.outputs.begin(), c.outputs.end());
    // A clean run replaces every file: by a new one, never by writing over the
    // old one in place, which a second name for the old file would show.
    PlacePrevious(c);
    fs::remove_all(kept);
    fs::create_directory(kept);
    for (const std::string& name : c.outputs) fs::create_hard_link(Out(name), kept / name);
    std::ostringstream out, err;
    int files = 0;
    {
      FullDiskAt never(0);
      ASSERT_EQ(c.run(out, err), 0) << err.str();
      files = never.files();
    }
    EXPECT_EQ(files, int(c.outputs.size())) << "files written through the atomic write";
    EXPECT_EQ(Entries(out_), names);
    for (const std::string& name : c.outputs) {
      EXPECT_FALSE(Holds(Out(name), Previous(name))) << name << " was not written";
      EXPECT_TRUE(Holds((kept / name).string(), Previous(name))) << name << " was written in place";
    }
    // The disk fills up at the first file, the second, ..., the last.
    std::vector<int> faults;
    for (int k = 1; k <= files; ++k)
      if (files <= 3 || k <= 2 || k == files) faults.push_back(k);
    for (int k : faults) {
      PlacePrevious(c);
      std::ostringstream fout, ferr;
      {
        FullDiskAt full(k);
        EXPECT_NE(c.run(fout, ferr), 0) << "disk full at file " << k;
      }
      EXPECT_NE(ferr.str().find("No space left on device"), std::string::npos) << ferr.str();
      EXPECT_EQ(Entries(out_), names) << "disk full at file " << k;
      for (int i = 0; i < int(c.outputs.size()); ++i) {
        const std::string& name = c.outputs[i];
        EXPECT_EQ(Holds(Out(name), Previous(name)), i + 1 >= k)
            << name << (i + 1 < k ? " not written before" : " not kept when") << " the disk filled at file " << k;
      }
    }
  }
}

// The program itself on a disk with no room left (a file size limit of
// nothing, the signal that would kill it for that ignored, so that writes fail
// as on a full disk): it says why and leaves every previous file.
TEST_F(OutputFiles, OnAFullDiskTheProgramKeepsThePreviousFiles) {
  struct Case {
    std::string args;
    std::vector<std::string> outputs;
    // Also under the sanitizers, where each run takes seconds; there the other
    // commands' writes fail only in the test above.
    bool sanitized;
  } cases[] = {
      {"bake in/tail.glb -o out/baked.glb --animation none --iter 4 --iterations 2",
       {"baked.glb", "baked_report.png", "baked_review.html"}, true},
      {"review in/tail.glb in/tail.glb -o out/review.html", {"review.html"}, false},
      {"import in/tail.glb -o out/s.fws", {"s.fws"}, false},
      {"press in/s.fws \"Extract state\" -o out/p.fws --yes", {"p.fws"}, false},
      {"solve in/s.fws -o out/solved.fws --yes --iterations 2 --dump-solve-inputs out/inputs.bin",
       {"inputs.bin", "solved.fws"}, false},
      {"export in/solved.fws --source in/tail.glb -o out/exported.glb", {"exported.glb"}, false},
      {"scene info in/solved.fws --snapshot out/panel.html", {"panel.html"}, false},
      {"deform --gltf in/tail.glb -o out", {"frame_0001.obj", "frame_0031.obj"}, false},
      {"deform --rest in/rest.obj --posed in/posed.obj -o out/bent.obj", {"bent.obj"}, false},
      {"demo -o out", {"demo_source.glb", "demo.glb", "demo_report.png", "demo_review.html"}, true},
      {"demo --obj -o out", {"rest.obj", "posed.obj", "deformed.obj"}, false},
  };
  for (const Case& c : cases) {
    if (FW_SANITIZED && !c.sanitized) continue;
    PlacePrevious(Command{c.args, c.outputs, {}});
    std::string output;
    EXPECT_EQ(RunFernwickIn(dir_.path.string(), c.args, output, "trap '' XFSZ; ulimit -f 0; "), 1) << c.args << "\n" << output;
    EXPECT_NE(output.find("File too large"), std::string::npos) << c.args << "\n" << output;
    EXPECT_EQ(Entries(out_), std::set<std::string>(c.outputs.begin(), c.outputs.end())) << c.args;
    for (const std::string& name : c.outputs) EXPECT_TRUE(Holds(Out(name), Previous(name))) << c.args << ": " << name;
  }
}

// Starts the program in dir without a shell, its output discarded. With
// fileLimit >= 0 it may not make a file larger than that, and dies of
// SIGXFSZ the moment it tries: killed part-way through that file.
pid_t StartFernwick(const std::string& dir, const std::string& args, long fileLimit = -1) {
  std::vector<std::string> words = {FW_FERNWICK_BIN};
  std::istringstream in(args);
  for (std::string w; in >> w;) words.push_back(w);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    // Only calls that are safe between fork and exec.
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0), dup2(null, 1), dup2(null, 2);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (fileLimit >= 0) {
      const rlimit size{rlim_t(fileLimit), rlim_t(fileLimit)};
      setrlimit(RLIMIT_FSIZE, &size);
    }
    signal(SIGXFSZ, SIG_DFL);
    if (chdir(dir.c_str()) == 0) execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// A bake killed at any moment leaves each output as it was before or as the
// finished bake writes it, never a part of either. Killed at moments through
// the run, the moment it starts on the output, and part-way through the GLB
// and through the picture.
TEST_F(OutputFiles, AKilledBakeLeavesThePreviousOutputs) {
  // The review page is written as the picture is (the full-disk tests above cover it).
  const std::string args = "bake in/tail.glb -o out/baked.glb --animation none --iter 4 --iterations 2 --review none";
  const std::vector<std::string> outputs = {"baked.glb", "baked_report.png"};
  const Command bake{args, outputs, {}};
  PlacePrevious(bake);
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(WaitFor(StartFernwick(dir_.path.string(), args)), 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const std::string glb = TempDir::Read(Out("baked.glb")), png = TempDir::Read(Out("baked_report.png"));
  ASSERT_NE(glb, Previous("baked.glb"));
  ASSERT_NE(png, Previous("baked_report.png"));

  struct Moment {
    std::string what;
    double after = -1;       // seconds after the start, for SIGKILL
    bool onFirstWrite = false;
    long fileLimit = -1;     // bytes, for a death part-way through a file
    int keeps = 2;           // outputs that must still be the previous ones (-1: either way)
  };
  std::vector<Moment> moments = {
      {"kill -9 as the output is started", -1, true, -1, -1},
      {"killed half-way through the GLB", -1, false, long(glb.size() / 2), 2},
  };
  // Kills at moments through the run, in the ordinary build (seconds each under the sanitizers).
  if (!FW_SANITIZED) {
    moments.push_back({"kill -9 at a third of the bake", seconds / 3, false, -1, -1});
    moments.push_back({"kill -9 at nine tenths", seconds * 0.9, false, -1, -1});
  }
  // The picture comes after the GLB: killed in it once the GLB is whole.
  if (png.size() > glb.size())
    moments.push_back({"killed half-way through the picture", -1, false, long(glb.size() + png.size()) / 2, 1});
  for (const Moment& m : moments) {
    SCOPED_TRACE(m.what);
    PlacePrevious(bake);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, out_.c_str(), IN_CREATE | IN_OPEN | IN_MODIFY), 0);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = StartFernwick(dir_.path.string(), args, m.fileLimit);
    if (m.after >= 0) {
      std::this_thread::sleep_until(start + std::chrono::duration<double>(m.after));
      kill(pid, SIGKILL);
    } else if (m.onFirstWrite) {
      // The first event on an output file (its temporary or itself), not on
      // the check that the folder takes files.
      bool seen = false;
      auto ended = [pid] {  // without reaping it
        siginfo_t info{};
        return waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
      };
      while (!seen && !ended() && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
        pollfd p{watch, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        alignas(inotify_event) char buf[4096];
        const ssize_t n = read(watch, buf, sizeof buf);
        for (ssize_t at = 0; at < n;) {
          const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
          if (e->len && std::string(e->name).rfind("baked", 0) == 0) seen = true;
          at += sizeof(inotify_event) + e->len;
        }
      }
      kill(pid, SIGKILL);
      EXPECT_TRUE(seen);
    }
    const int status = WaitFor(pid);
    close(watch);
    if (m.fileLimit >= 0) {
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "ended with status " << status;
    }
    const std::string nowGlb = TempDir::Read(Out("baked.glb")), nowPng = TempDir::Read(Out("baked_report.png"));
    const bool glbKept = nowGlb == Previous("baked.glb"), pngKept = nowPng == Previous("baked_report.png");
    EXPECT_TRUE(glbKept || nowGlb == glb) << "baked.glb is neither the previous file nor the new one";
    EXPECT_TRUE(pngKept || nowPng == png) << "baked_report.png is neither the previous file nor the new one";
    if (m.keeps >= 0) {
      EXPECT_EQ(glbKept + pngKept, m.keeps);
      EXPECT_EQ(pngKept, true);
    }
    // What a kill can leave besides: a temporary beside an output, never one in its place.
    for (const std::string& name : Entries(out_)) {
      if (name == "baked.glb" || name == "baked_report.png") continue;
      EXPECT_TRUE(name.rfind("baked.glb.tmp.", 0) == 0 || name.rfind("baked_report.png.tmp.", 0) == 0 ||
                  name.rfind(".fernwick-check.", 0) == 0)
          << name;
    }
  }
}

}  // namespace
