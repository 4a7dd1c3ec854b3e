#include "cli/commands/training_poses.h"

#include <algorithm>
#include <cstdio>

#include "host/skin_access.h"
#include "sdk/interface.h"

namespace {

constexpr float kDegrees = 3.14159265f / 180.0f;

// Parents before children, so that keying a child's world transform sees its
// parent's transform at that frame already set.
std::vector<int> ParentsFirst(const std::vector<INode*>& nodes) {
  std::vector<int> order(nodes.size());
  std::vector<int> depth(nodes.size(), 0);
  for (size_t i = 0; i < nodes.size(); ++i) {
    order[i] = static_cast<int>(i);
    for (INode* p = nodes[i] ? nodes[i]->GetParentNode() : nullptr; p && !p->IsRootNode(); p = p->GetParentNode())
      ++depth[i];
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return depth[a] < depth[b]; });
  return order;
}

// Keys every node of a group at frame f, each turned about its own local
// axis by angle from its rest transform (frame 0), children carried along by
// their turned parents; angle 0 keys the rest pose. Nodes outside the group
// stay at rest at f.
void KeyTurned(const std::vector<INode*>& group, int frame, const Point3& axis, float angle) {
  const TimeValue t = frame * GetTicksPerFrame();
  std::vector<Matrix3> turned(group.size());
  for (int i : ParentsFirst(group)) {
    const Matrix3 rest = group[i]->GetNodeTM(0);
    const Matrix3 spin = angle == 0.0f ? Matrix3() : RotAngleAxisMatrix(axis, angle);
    INode* parent = group[i]->GetParentNode();
    const auto p = std::find(group.begin(), group.end(), parent);
    if (p == group.end() || !parent) {
      turned[i] = spin * rest;
    } else {
      // The rest transform relative to the parent, then the parent as turned.
      turned[i] = spin * rest * Inverse(parent->GetNodeTM(0)) * turned[p - group.begin()];
    }
    group[i]->SetNodeTM(t, turned[i]);
  }
}

}  // namespace

std::string RangeOfMotion::Describe() const {
  if (!enabled()) return "none";
  char text[160];
  std::snprintf(text, sizeof text, "%g degrees about %s, each bone %s", degrees, allAxes ? "x, y and z" : "z and y",
                chain >= 3 ? "alone, with its parent and with its grandparent" : chain == 2 ? "alone and with its parent" : "alone");
  return text;
}

std::vector<INode*> ProxyBones(INode* meshNode) {
  SkinAccess skin;
  if (!FindSkin(meshNode, skin) || skin.mod->GetName() != L"proxySkin") return {};
  std::vector<INode*> bones;
  for (int b = 0; b < skin.skin->GetNumBones(); ++b) bones.push_back(skin.skin->GetBone(b));
  return bones;
}

int KeyRangeOfMotion(const std::vector<INode*>& proxies, int firstFrame, const RangeOfMotion& rom) {
  if (!rom.enabled() || proxies.empty()) return firstFrame;
  Interface* ip = GetCOREInterface();
  const BOOL wasAnimating = ip->GetAnimateMode();
  ip->SetAnimateMode(TRUE);
  std::vector<Point3> axes = {Point3(0, 0, 1), Point3(0, 1, 0)};
  if (rom.allAxes) axes.push_back(Point3(1, 0, 0));
  const float angle = rom.degrees * kDegrees;

  // Groups that turn together: each proxy alone, then each with its parent,
  // then with its grandparent too, as far as the chain goes.
  std::vector<std::vector<INode*>> groups;
  for (int length = 1; length <= std::max(1, rom.chain); ++length)
    for (INode* p : proxies) {
      std::vector<INode*> group = {p};
      while (static_cast<int>(group.size()) < length) {
        INode* parent = group.front()->GetParentNode();
        if (!parent || std::find(proxies.begin(), proxies.end(), parent) == proxies.end()) break;
        group.insert(group.begin(), parent);
      }
      if (static_cast<int>(group.size()) == length) groups.push_back(group);
    }
  int frame = firstFrame;
  for (const auto& group : groups) {
    KeyTurned(group, frame, axes[0], 0.0f);
    for (const Point3& axis : axes)
      for (float sign : {1.0f, -1.0f}) KeyTurned(group, ++frame, axis, sign * angle);
    KeyTurned(group, ++frame, axes[0], 0.0f);
  }
  ip->SetAnimateMode(wasAnimating);
  return frame;
}

int KeyClipsOnProxies(const std::vector<INode*>& proxies, const std::vector<INode*>& rigBones,
                      const std::vector<ClipPlacement>& clips, int firstFrame) {
  Interface* ip = GetCOREInterface();
  const BOOL wasAnimating = ip->GetAnimateMode();
  ip->SetAnimateMode(TRUE);
  const int tpf = GetTicksPerFrame();
  const size_t n = std::min(proxies.size(), rigBones.size());
  const std::vector<int> order = ParentsFirst(std::vector<INode*>(proxies.begin(), proxies.begin() + n));
  int frame = firstFrame - 2, last = firstFrame - 1;
  for (const ClipPlacement& clip : clips) {
    frame += 2;
    for (int f = 0; f < clip.frames; ++f, ++frame) {
      for (int k : order) proxies[k]->SetNodeTM(frame * tpf, rigBones[k]->GetNodeTM((clip.first + f) * tpf));
      last = frame;
    }
    frame = last;
  }
  ip->SetAnimateMode(wasAnimating);
  return last;
}
