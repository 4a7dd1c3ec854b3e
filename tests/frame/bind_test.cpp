// "Bind with nearest bones" from a start that is not yet a nearest-bone binding.
#include <algorithm>
#include <sstream>

#include "rig_fixture.h"
#include "sdk/host_terminal.h"

namespace {

const wchar_t* const kBindQuestion =
    L"It will set the skin weights for each vertex to 1.0 (for the nearest bone) and 0.0 (for the rest). Make sure "
    L"you are now in the rest pose!\n\nAre you sure you want to replace existing weights?";

// The host terminal's lines while this lives.
class TerminalCapture {
 public:
  TerminalCapture() : saved_(GetHostTerminal()) { SetHostTerminal(&out_); }
  ~TerminalCapture() { SetHostTerminal(saved_); }
  TerminalCapture(const TerminalCapture&) = delete;
  TerminalCapture& operator=(const TerminalCapture&) = delete;
  std::vector<std::string> Lines(const std::string& tag) const {
    std::vector<std::string> out;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);)
      if (line.rfind("[" + tag + "] ", 0) == 0) out.push_back(line.substr(tag.size() + 3));
    return out;
  }

 private:
  std::ostream* saved_;
  std::ostringstream out_;
};

// Distance from p to a bone's box (0 to length along x, kBoneHalfWidth
// across), measured in the bone's object space; its object transform is
// rigid, so the distance is the same in the world.
double DistanceToBox(INode* bone, TimeValue t, const Point3& p, double length, double halfWidth) {
  const Point3 q = Inverse(bone->GetObjectTM(t)).PointTransform(p);
  const double dx = std::max({0.0, -static_cast<double>(q.x), q.x - length});
  const double dy = std::max(0.0, std::abs(static_cast<double>(q.y)) - halfWidth);
  const double dz = std::max(0.0, std::abs(static_cast<double>(q.z)) - halfWidth);
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

TEST_F(RigTest, BindGivesEachVertexItsNearestBoneWhateverItHadBefore) {
  BuildRig({.offsets = true});
  // Every vertex starts on its farther bone.
  AssignAll([&](const Point3& p) { return BoneWeights{{p.x < 2.0f ? boneB : boneA, 1.0f}}; });
  const auto start = Weights();
  HWND r = OpenRollout();

  DefaultMessageBoxPolicy().QueueAnswer(IDNO);
  ASSERT_TRUE(PressButton(r, 1009));
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].text, kBindQuestion);
  EXPECT_EQ(MessageBoxLog()[0].type, 0x24u);
  EXPECT_EQ(MessageBoxLog()[0].caption, L"Fernwick");
  EXPECT_EQ(MessageBoxLog()[0].owner, r);
  EXPECT_EQ(Weights(), start) << "No changes no weight";

  ClearMessageBoxLog();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  std::vector<std::string> progress;
  {
    TerminalCapture terminal;
    ASSERT_TRUE(PressButton(r, 1009));
    progress = terminal.Lines("progress");
  }
  EXPECT_EQ(MessageBoxLog().size(), 1u);

  const TimeValue now = ip->GetTime();
  const auto bound = Weights();
  const int n = restMesh.numVerts;
  int checked = 0, changed = 0;
  for (int v = 0; v < n; ++v) {
    ASSERT_EQ(bound[v].size(), 1u) << "vertex " << v;
    EXPECT_EQ(bound[v][0].second, 1.0f);
    const Point3 p = meshNode->GetObjectTM(now).PointTransform(restMesh.verts[v]);
    const double a = DistanceToBox(boneA, now, p, 2.0, kBoneHalfWidth);
    const double b = DistanceToBox(boneB, now, p, 2.0, kBoneHalfWidth);
    if (std::abs(a - b) < 1e-3) continue;  // too close to call from outside
    ++checked;
    EXPECT_EQ(bound[v][0].first, a < b ? 0 : 1) << "vertex " << v << ": " << a << " vs " << b;
    changed += bound[v] != start[v];
  }
  EXPECT_GT(checked, n * 3 / 4);
  EXPECT_GT(changed, 0);

  // The bar: its title, one update per new whole percent, its end.
  int updates = 0, last = 0;
  for (int v = 0; v < n; ++v) {
    const int percent = static_cast<int>(v * 100.0 / n);
    if (percent != last) ++updates;
    last = percent;
  }
  ASSERT_EQ(progress.size(), static_cast<size_t>(updates + 2));
  EXPECT_EQ(progress.front(), "Binding...");
  for (int k = 1; k <= updates; ++k) EXPECT_EQ(progress[k], "Binding...");
  EXPECT_EQ(progress.back(), "Binding... done");
  EXPECT_EQ(ip->GetProgressPercent(), last);
  EXPECT_FALSE(ip->IsProgressActive());
}

TEST_F(PluginTest, BindWithoutASkinSaysSo) {
  Modifier* mod;
  NodeWithFernwick(MakeCube(), mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);
  ip->OpenModifyPanel(mod);
  HWND r = FindOpenRollout(L"Parameters");
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1009));
  ASSERT_EQ(MessageBoxLog().size(), 2u);
  EXPECT_EQ(MessageBoxLog()[1].text, L"No Skin modifier found.");
  EXPECT_EQ(MessageBoxLog()[1].type, 0u);
  EXPECT_EQ(MessageBoxLog()[1].caption, L"Fernwick");
  EXPECT_EQ(MessageBoxLog()[1].owner, r);
}

}  // namespace
