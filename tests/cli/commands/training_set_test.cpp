// The bake's training set (clips, proxy poses, range of motion) and the
// per-clip fit it reports, checked against figures worked out independently
// from the written file.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/commands/bake_command.h"
#include "cli/commands/deform_command.h"
#include "cli/commands/training_poses.h"
#include "cli/files/obj_file.h"
#include "cli/gltf/gltf_container.h"
#include "cli/report/fit_report.h"
#include "cli/sample_characters/demo_character.h"
#include "cli/terminal_host/plugin_host.h"
#include "cli/terminal_host/rollout_session.h"
#include "cli/terminal_host/terminal_message_boxes.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/rollout.h"
#include "sdk/tri_object.h"
#include "tests/support/clip_fit.h"
#include "tests/support/sample_files.h"
#include "tests/support/sanitizers.h"
#include "tests/support/small_tail.h"
#include "tests/support/temp_dir.h"

namespace {

int Bake(CharacterOptions o, std::string& output) {
  o.quiet = true;
  std::ostringstream out, err;
  const int rc = RunBake(o, out, err);
  output = out.str() + err.str();
  return rc;
}

TEST(TrainingSet, ClipsProxyPosesAndRangeOfMotionMakeTheTrainingRange) {
  TempDir d;
  CharacterOptions o;
  o.inPath = WriteSmallTail(d, 3);
  o.outPath = d.File("out.glb");
  o.solverIterations = 4;
  struct Case {
    std::vector<std::string> animations;
    std::string proxyPoses;
    float rom;
    int rc;
    std::string line;
  } cases[] = {
      // Five proxies: proxy poses on frames 0-21; clips of 31 frames each.
      // The default with clips: proxy poses 0-21, range of motion 22-82
      // (12 groups of 5 frames), the clips on the proxies from 84.
      {{}, "auto", -1, 0, "Training on frames 0 to 178: proxy poses, range of motion 90 degrees about z and y, "
                          "each bone alone, with its parent and with its grandparent, \"wave\", \"sway\", \"curl\""},
      {{"wave", "curl"}, "off", -1, 0, "Training on frames 1 to 63: \"wave\", \"curl\""},
      {{"none"}, "auto", -1, 0, "Training on frames 0 to 21: proxy poses\n"},
      {{"1"}, "on", 0, 0, "Training on frames 0 to 53: proxy poses, \"sway\"\n"},
      {{"none"}, "off", -1, 1, "nothing to train on"},
      {{"wave"}, "off", 30, 1, "--range-of-motion turns the proxy bones: it needs the proxy poses"},
      {{"walk"}, "auto", -1, 1, "the file has no animation \"walk\" (it has \"wave\", \"sway\", \"curl\")"},
  };
  for (const Case& c : cases) {
    o.animations = c.animations;
    o.proxyPoses = c.proxyPoses;
    o.rangeOfMotion = RangeOfMotion{c.rom};
    std::string output;
    EXPECT_EQ(Bake(o, output), c.rc) << output;
    EXPECT_NE(output.find(c.line), std::string::npos) << c.line << "\n" << output;
  }
}

// The small tail in the scene with its clips keyed, the Fernwick rollout
// open and "Create input animation" pressed: proxies ready to be keyed.
class ProxyScene : public ::testing::Test {
 protected:
  void Build(int clips) {
    yes_.SetQuestionDefault(IDYES);
    CharacterOptions o;
    o.inPath = WriteSmallTail(dir_, clips);
    o.animations = {"all"};
    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(ImportCharacterFile(o, c_, ic_, out, error)) << error;
    ASSERT_EQ(static_cast<int>(ic_.clips.size()), clips);
    rig_ = SampleNode(ic_.meshes[0].node, ic_.clips.front().first, ic_.clips.back().last(), false);
    GetCOREInterface()->OpenModifyPanel(ic_.meshes[0].fernwick);
    RolloutSession session{ic_.meshes[0].node, ic_.meshes[0].fernwick, FindOpenRollout(L"Parameters")};
    ASSERT_TRUE(PressButtonByCaption(session, "Create input animation", error)) << error;
    proxies_ = ProxyBones(ic_.meshes[0].node);
    ASSERT_EQ(proxies_.size(), 5u);
  }
  void TearDown() override {
    GetCOREInterface()->CloseModifyPanel();
    CloseHostSession();
  }

  TempDir dir_;
  ScriptedMessageBoxPolicy yes_;
  ScopedMessageBoxPolicy scoped_{&yes_};
  GltfCharacter c_;
  ImportedCharacter ic_;
  PoseFrames rig_;  // the rig's bones playing every keyed clip, Fernwick off
  std::vector<INode*> proxies_;
};

TEST_F(ProxyScene, ProxiesPlayTheClipsExactlyAsTheRigsBones) {
  Build(2);
  const int last = KeyClipsOnProxies(proxies_, ic_.bones, ic_.clips, 30);
  EXPECT_EQ(last, 30 + 31 + 1 + 31 - 1);  // two 31-frame clips a frame apart
  const PoseFrames played = SampleNode(ic_.meshes[0].node, 30, last, false);
  ASSERT_EQ(played.size(), rig_.size());
  double worst = 0;
  for (size_t f = 0; f < rig_.size(); ++f)
    for (size_t v = 0; v < rig_[f].size(); ++v) worst = std::max(worst, double(Length(rig_[f][v] - played[f][v])));
  EXPECT_LT(worst, 1e-4);
}

TEST_F(ProxyScene, RangeOfMotionTurnsEachGroupOnceAndKeepsTheJointsTogether) {
  Build(1);
  const std::vector<INode*>& proxies = proxies_;
  // A chain of five: 5 bones alone, 4 with a parent, 3 with a grandparent;
  // each group rests, takes six poses (3 axes, both ways) and rests again.
  const int first = 100;
  const int last = KeyRangeOfMotion(proxies, first, RangeOfMotion{40.0f, true, 3});
  EXPECT_EQ(last, first + 12 * 7);
  const int tpf = GetTicksPerFrame();
  for (int f = first; f <= last; ++f) {
    int turned = 0;
    for (size_t k = 0; k < proxies.size(); ++k) {
      const Matrix3 now = proxies[k]->GetNodeTM(f * tpf), rest = proxies[k]->GetNodeTM(0);
      // The turn relative to rest, in the bone's own frame: 40 degrees or none.
      const Matrix3 turn = now * Inverse(proxies[k]->GetParentTM(f * tpf)) *
                           Inverse(rest * Inverse(proxies[k]->GetParentTM(0)));
      const float cosAngle = std::clamp((turn.GetRow(0).x + turn.GetRow(1).y + turn.GetRow(2).z - 1.0f) / 2.0f, -1.0f, 1.0f);
      const float degrees = std::acos(cosAngle) * 57.29578f;
      if (degrees > 1.0f) {
        ++turned;
        EXPECT_NEAR(degrees, 40.0f, 0.05f) << "frame " << f << ", bone " << k;
      }
      // Turning spins a bone about its own origin: it stays where its parent puts it.
      EXPECT_LT(Length(turn.GetTrans()), 1e-4f) << "frame " << f << ", bone " << k;
    }
    const int pose = (f - first) % 7;
    EXPECT_EQ(turned, pose == 0 ? 0 : (f - first) / 7 < 5 ? 1 : (f - first) / 7 < 9 ? 2 : 3) << "frame " << f;
  }
}

// The range of motion as the solve sees it, on a chain whose bones stand
// askew at rest, so that a bone's own axes are none of the world's: in each
// group's poses every bone of the group takes the same turn, relative to its
// rest and in its own frame, and over the group's poses the turns are exactly
// +DEGREES and -DEGREES about each of the axes asked for, each once. The
// expected turns come from quaternions worked out here.
struct Turn {
  double m[3][3];  // row i: where the bone's axis i goes
};

Turn QuaternionTurn(int axis, double radians) {
  const double h = radians / 2, w = std::cos(h);
  double q[3] = {0, 0, 0};
  q[axis] = std::sin(h);
  Turn t{};
  for (int i = 0; i < 3; ++i) {
    // v' = v + 2w (q x v) + 2 q x (q x v), for v the unit vector along i.
    double v[3] = {0, 0, 0};
    v[i] = 1;
    const double c[3] = {q[1] * v[2] - q[2] * v[1], q[2] * v[0] - q[0] * v[2], q[0] * v[1] - q[1] * v[0]};
    const double cc[3] = {q[1] * c[2] - q[2] * c[1], q[2] * c[0] - q[0] * c[2], q[0] * c[1] - q[1] * c[0]};
    for (int k = 0; k < 3; ++k) t.m[i][k] = v[k] + 2 * w * c[k] + 2 * cc[k];
  }
  return t;
}

double Distance(const Turn& a, const Turn& b) {
  double d = 0;
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) d = std::max(d, std::fabs(a.m[i][k] - b.m[i][k]));
  return d;
}

class RangeOfMotionPoses : public ::testing::Test {
 protected:
  void TearDown() override { CloseHostSession(); }
  // Hips (no proxy) > A > B > C > D, each askew to its parent and offset.
  std::vector<INode*> AskewChain() {
    Interface* ip = GetCOREInterface();
    INode* parent = ip->CreateObjectNode(CreateNewTriObject(), L"Hips");
    Matrix3 world = RotAngleAxisMatrix(Point3(0.3f, -1, 0.5f), 0.7f);
    world.SetTrans(Point3(1, 2, 3));
    parent->SetNodeTM(0, world);
    std::vector<INode*> chain;
    const wchar_t* names[] = {L"A", L"B", L"C", L"D"};
    for (int k = 0; k < 4; ++k) {
      INode* bone = ip->CreateObjectNode(CreateNewTriObject(), names[k]);
      parent->AttachChild(bone);
      Matrix3 local = RotAngleAxisMatrix(Point3(1.0f + k, 0.4f, -0.8f + 0.5f * k), 0.5f + 0.3f * k);
      local.SetTrans(Point3(0.2f * k, 1.5f, -0.3f));
      world = local * world;
      bone->SetNodeTM(0, world);
      chain.push_back(bone);
      parent = bone;
    }
    return chain;
  }
  // The bone's local transform at frame f relative to its local rest.
  static Turn LocalTurn(INode* bone, int f, float* offset) {
    const int t = f * GetTicksPerFrame();
    const Matrix3 local = bone->GetNodeTM(t) * Inverse(bone->GetParentTM(t));
    const Matrix3 rest = bone->GetNodeTM(0) * Inverse(bone->GetParentTM(0));
    const Matrix3 turn = local * Inverse(rest);
    *offset = Length(turn.GetTrans());
    Turn r;
    for (int i = 0; i < 3; ++i)
      for (int k = 0; k < 3; ++k) r.m[i][k] = turn.GetRow(i)[k];
    return r;
  }
};

TEST_F(RangeOfMotionPoses, EachGroupTurnsBothWaysAboutEachOfItsOwnAxes) {
  const Turn still = QuaternionTurn(0, 0.0);
  struct Case {
    RangeOfMotion rom;
    std::vector<int> axes;                 // 0 x, 1 y, 2 z
    std::set<std::vector<int>> groups;     // bones of the chain turned together
  } cases[] = {
      {{40.0f, true, 3}, {0, 1, 2}, {{0}, {1}, {2}, {3}, {0, 1}, {1, 2}, {2, 3}, {0, 1, 2}, {1, 2, 3}}},
      {{25.0f, false, 2}, {1, 2}, {{0}, {1}, {2}, {3}, {0, 1}, {1, 2}, {2, 3}}},
  };
  for (const Case& c : cases) {
    CloseHostSession();
    const std::vector<INode*> chain = AskewChain();
    // Askew indeed: at rest no bone's axes line up with the world's.
    for (INode* bone : chain)
      for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) ASSERT_LT(std::fabs(Normalize(bone->GetNodeTM(0).GetRow(i))[k]), 0.99f);
    const int first = 10;
    const int perGroup = 2 * int(c.axes.size()) + 1;
    const int last = KeyRangeOfMotion(chain, first, c.rom);
    ASSERT_EQ(last, first + perGroup * int(c.groups.size())) << c.rom.Describe();
    std::set<std::vector<int>> seen;
    for (int g = 0; g < int(c.groups.size()); ++g) {
      const int rest = first + g * perGroup;
      std::vector<Turn> expected;
      for (int axis : c.axes)
        for (double sign : {1.0, -1.0}) expected.push_back(QuaternionTurn(axis, sign * c.rom.degrees * M_PI / 180));
      std::vector<int> group;
      for (int f = rest; f <= rest + perGroup; ++f) {
        const bool atRest = f == rest || f == rest + perGroup;
        std::vector<int> turned;
        std::vector<Turn> turns;
        for (int k = 0; k < 4; ++k) {
          float offset = 0;
          const Turn t = LocalTurn(chain[k], f, &offset);
          // A bone turns about its own origin: it stays where its parent puts it.
          EXPECT_LT(offset, 1e-4f) << "frame " << f << ", bone " << k;
          if (Distance(t, still) > 1e-3) turned.push_back(k), turns.push_back(t);
        }
        if (atRest) {
          EXPECT_TRUE(turned.empty()) << "frame " << f << " should be the rest pose";
          continue;
        }
        if (group.empty()) group = turned;
        EXPECT_EQ(turned, group) << "frame " << f << ": the same bones turn throughout a group";
        if (turns.empty()) continue;
        // One of the turns still expected, taken by every bone of the group.
        auto match = std::find_if(expected.begin(), expected.end(),
                                  [&](const Turn& e) { return Distance(turns[0], e) < 2e-4; });
        ASSERT_TRUE(match != expected.end()) << "frame " << f << ": bone " << turned[0]
                                         << " takes no turn of DEGREES about its own axes not already taken";
        for (size_t b = 1; b < turns.size(); ++b)
          EXPECT_LT(Distance(turns[b], *match), 2e-4) << "frame " << f << ", bone " << turned[b];
        expected.erase(match);
      }
      EXPECT_TRUE(expected.empty()) << c.rom.Describe();
      EXPECT_TRUE(seen.insert(group).second) << "a group turned twice";
    }
    EXPECT_EQ(seen, c.groups) << c.rom.Describe();
  }
}

// The figures a viewer would see: linear skinning of the written file's
// weights, as glTF defines it, against the Delta Mush frames that
// `fernwick deform --gltf` writes for the clip.
TEST(ClipFitReport, FiguresMatchAnIndependentRecomputationFromTheWrittenFile) {
  TempDir d;
  CharacterOptions o;
  o.inPath = WriteSmallTail(d, 2);
  o.outPath = d.File("baked.glb");
  o.params.iter = 4;
  o.solverIterations = 6;
  o.animations = {"wave"};
  std::string output;
  ASSERT_EQ(Bake(o, output), 0) << output;
  const auto lines = ClipLines(output);
  ASSERT_EQ(lines.size(), 2u) << output;
  for (const char* clip : {"wave", "sway"}) {
    const RecomputedFit fit = RecomputeClipFit(o.inPath, o.outPath, clip, "--iter 4", d);
    const Figures reported = ParseFigures(lines.at(clip).figures);
    ExpectSameFigures(reported, fit.whole, 1e-3, fit.size, clip);
    EXPECT_LT(reported.rmsAfter, reported.rmsBefore) << clip;
  }
  EXPECT_EQ(lines.at("wave").status, "trained on");
  EXPECT_EQ(lines.at("sway").status, "held out");
}

TEST(ClipFitReport, ARenamedCopyOfATrainedClipScoresExactlyAsItsTwin) {
  TempDir d;
  // The tail's file with its "wave" clip copied under another name.
  GltfContainer file;
  std::string error;
  ASSERT_TRUE(SplitGltfContainer(MakeDemoCharacterGlb({30, 10, 2, false}), file, error)) << error;
  nlohmann::json doc = nlohmann::json::parse(file.json);
  nlohmann::json twin = doc["animations"][0];
  twin["name"] = "wave again";
  doc["animations"].push_back(twin);
  CharacterOptions o;
  o.inPath = d.Write("twins.glb", JoinGlb(doc.dump(), file.bin, true));
  o.outPath = d.File("baked.glb");
  o.solverIterations = 5;
  o.animations = {"wave", "sway"};
  std::string output;
  ASSERT_EQ(Bake(o, output), 0) << output;
  const auto lines = ClipLines(output);
  ASSERT_EQ(lines.count("wave again"), 1u) << output;
  EXPECT_EQ(lines.at("wave").status, "trained on");
  EXPECT_EQ(lines.at("wave again").status, "held out");
  EXPECT_EQ(lines.at("wave again").figures, lines.at("wave").figures);
  EXPECT_NE(lines.at("sway").figures, lines.at("wave").figures);
}

}  // namespace

namespace {

// The default training set earns its place: on Fox, a bake trained on two of
// its clips fits the third, never seen, better than a bake on the proxy poses.
TEST(TrainingSet, FoxHeldOutClipsFitBetterThanWithTheProxyPosesAlone) {
  if (FW_SANITIZED) GTEST_SKIP() << "a measurement of the defaults, run by the ordinary build (minutes under sanitizers)";
  FW_SAMPLE_FILE(fox, "Fox.glb");
  TempDir d;
  CharacterOptions o;
  o.inPath = fox;
  o.outPath = d.File("fox.glb");
  o.boneLimitAuto = true;
  o.animations = {"none"};
  std::string proxyOnly;
  ASSERT_EQ(Bake(o, proxyOnly), 0) << proxyOnly;
  const auto proxyLines = ClipLines(proxyOnly);
  const char* clips[3] = {"Survey", "Walk", "Run"};
  for (int held = 0; held < 3; ++held) {
    o.animations.clear();
    for (int c = 0; c < 3; ++c)
      if (c != held) o.animations.push_back(clips[c]);
    std::string output;
    ASSERT_EQ(Bake(o, output), 0) << output;
    const auto lines = ClipLines(output);
    ASSERT_EQ(lines.at(clips[held]).status, "held out");
    const Figures trained = ParseFigures(lines.at(clips[held]).figures),
                  alone = ParseFigures(proxyLines.at(clips[held]).figures);
    EXPECT_LT(trained.rmsAfter, alone.rmsAfter) << clips[held] << " held out";
  }
}

}  // namespace
