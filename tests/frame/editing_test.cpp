// Opening and closing the modifier in the modify panel, and what its
// parameter block's notifications do to it.
#include <functional>

#include "plugin_fixture.h"
#include "sdk/rollout.h"

namespace {

// A dependent of one target that keeps what it is told.
class Listener : public ReferenceMaker {
 public:
  struct Heard {
    RefMessage message;
    Interval interval;
    PartID part;
    RefTargetHandle from;
  };
  using Reaction = std::function<void(const Heard&)>;

  explicit Listener(ReferenceTarget* target, Reaction react = {}) : react_(std::move(react)) {
    ReplaceReference(0, target, FALSE);
  }
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? target_ : nullptr; }
  void SetReference(int i, RefTargetHandle t) override {
    if (i == 0) target_ = t;
  }
  RefResult NotifyRefChanged(Interval changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                             BOOL) override {
    const Heard h{message, changeInt, partID, hTarget};
    heard.push_back(h);
    if (react_) react_(h);
    return REF_SUCCEED;
  }

  // What was heard of the given messages, in order.
  std::vector<Heard> Of(std::initializer_list<RefMessage> messages) const {
    std::vector<Heard> out;
    for (const Heard& h : heard)
      for (RefMessage m : messages)
        if (h.message == m) out.push_back(h);
    return out;
  }

  std::vector<Heard> heard;

 private:
  RefTargetHandle target_ = nullptr;
  Reaction react_;
};

TEST_F(PluginTest, EditingIsAnnouncedAndMarkedWhileTheRolloutIsOpen) {
  Modifier* mod;
  INode* node = NodeWithFernwick(MakeCube(), mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);
  const int tpf = GetTicksPerFrame();
  // Flags seen when each edit message arrives; the derived object above only
  // hears them when they propagate.
  std::vector<BOOL> beingEdited;
  Listener direct(mod, [&](const Listener::Heard&) { beingEdited.push_back(mod->TestAFlag(A_MOD_BEING_EDITED)); });
  Listener above(node->GetObjectRef());
  const std::initializer_list<RefMessage> edit = {REFMSG_BEGIN_EDIT, REFMSG_MOD_DISPLAY_ON, REFMSG_END_EDIT,
                                                  REFMSG_MOD_DISPLAY_OFF};

  const struct {
    const char* what;
    TimeValue time;
    std::function<void()> act;
    RefMessage first, second;
    BOOL editedAfter;
  } steps[] = {
      {"open", 7 * tpf, [&] { ip->OpenModifyPanel(mod); }, REFMSG_BEGIN_EDIT, REFMSG_MOD_DISPLAY_ON, TRUE},
      {"close", 9 * tpf, [&] { ip->CloseModifyPanel(); }, REFMSG_END_EDIT, REFMSG_MOD_DISPLAY_OFF, FALSE},
  };
  for (const auto& step : steps) {
    direct.heard.clear();
    above.heard.clear();
    beingEdited.clear();
    ip->SetTime(step.time);
    step.act();
    const std::vector<Listener::Heard> heard = direct.Of(edit);
    ASSERT_EQ(heard.size(), 2u) << step.what;
    EXPECT_EQ(heard[0].message, step.first) << step.what;
    EXPECT_EQ(heard[1].message, step.second) << step.what;
    for (const Listener::Heard& h : heard) {
      EXPECT_EQ(h.interval, Interval(step.time, step.time)) << step.what;
      EXPECT_EQ(h.part, 0x800037FFu) << step.what;
      EXPECT_EQ(h.from, mod) << step.what;
    }
    EXPECT_EQ(above.Of(edit).size(), 2u) << step.what << ": the messages propagate";
    // Announced before the flag is set, and after it is cleared.
    for (BOOL b : beingEdited) EXPECT_FALSE(b) << step.what;
    EXPECT_EQ(mod->TestAFlag(A_MOD_BEING_EDITED), step.editedAfter) << step.what;

    if (step.editedAfter) {
      // The open rollout owns the commands' message boxes.
      HWND rollout = FindOpenRollout(L"Parameters");
      ASSERT_NE(rollout, nullptr);
      ClearMessageBoxLog();
      ASSERT_TRUE(PressButton(rollout, 1011));  // no Skin here
      ASSERT_EQ(MessageBoxLog().size(), 1u);
      EXPECT_EQ(MessageBoxLog()[0].text, L"No Skin modifier found.");
      EXPECT_EQ(MessageBoxLog()[0].owner, rollout);
    }
  }
}

TEST_F(PluginTest, OnlyTheBlocksOwnDeletionLetsGoOfIt) {
  Modifier* mod = NewFernwick();
  Modifier* other = NewFernwick();
  IParamBlock2* pb = mod->GetParamBlock(0);
  const struct {
    RefMessage message;
    RefTargetHandle from;
  } kept[] = {{REFMSG_CHANGE, pb},
              {REFMSG_SUBANIM_STRUCTURE_CHANGED, pb},
              {REFMSG_TARGET_DELETED, other->GetParamBlock(0)},
              {REFMSG_TARGET_DELETED, other}};
  for (const auto& k : kept) {
    PartID part = PART_ALL;
    EXPECT_EQ(mod->NotifyRefChanged(FOREVER, k.from, part, k.message, TRUE), REF_SUCCEED);
    EXPECT_EQ(mod->GetParamBlock(0), pb) << "message " << k.message;
  }

  // The block's deletion: by the time a later dependent hears of it, the
  // modifier has already let go.
  IParamBlock2* heldThen = pb;
  Listener later(pb, [&](const Listener::Heard& h) {
    if (h.message == REFMSG_TARGET_DELETED) heldThen = mod->GetParamBlock(0);
  });
  pb->DeleteMe();
  EXPECT_EQ(heldThen, nullptr);
  EXPECT_EQ(mod->GetParamBlock(0), nullptr);
  EXPECT_EQ(mod->GetReference(0), nullptr);
  mod->DeleteMe();
  other->DeleteMe();
}

}  // namespace
