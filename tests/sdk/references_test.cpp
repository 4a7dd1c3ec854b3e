#include <string>
#include <vector>

#include "sdk_test_support.h"

namespace {

// A target that reports its destruction.
class Leaf : public ReferenceTarget {
 public:
  explicit Leaf(bool* gone = nullptr) : gone_(gone) {}
  ~Leaf() override {
    if (gone_) *gone_ = true;
  }
  RefTargetHandle Clone(RemapDir& remap) override {
    auto* c = new Leaf;
    BaseClone(this, c, remap);
    return c;
  }

 private:
  bool* gone_;
};

struct Heard {
  std::string who;
  RefTargetHandle from;
  RefMessage msg;
};

// A target with a few reference slots that logs what it is told.
class Holder : public ReferenceTarget {
 public:
  Holder(std::string n, std::vector<Heard>* log, int slots = 1) : name(std::move(n)), log_(log), refs_(slots) {}
  int NumRefs() override { return static_cast<int>(refs_.size()); }
  RefTargetHandle GetReference(int i) override { return refs_[i]; }
  void SetReference(int i, RefTargetHandle r) override { refs_[i] = r; }
  RefResult NotifyRefChanged(Interval, RefTargetHandle h, PartID&, RefMessage m, BOOL) override {
    if (log_) log_->push_back({name, h, m});
    return stop ? REF_STOP : REF_SUCCEED;
  }
  std::string name;
  bool stop = false;

 private:
  std::vector<Heard>* log_;
  std::vector<RefTargetHandle> refs_;
};

TEST(References, TargetGoesWithItsLastReferenceOnlyWhenAskedTo) {
  bool gone = false;
  auto* leaf = new Leaf(&gone);
  auto* a = new Holder("a", nullptr);
  auto* b = new Holder("b", nullptr);
  a->ReplaceReference(0, leaf);
  b->ReplaceReference(0, leaf);
  a->DeleteReference(0);
  EXPECT_FALSE(gone) << "b still references it";
  b->ReplaceReference(0, nullptr, FALSE);
  EXPECT_FALSE(gone) << "dropped without the delete flag";
  b->ReplaceReference(0, leaf);
  b->DeleteMe();  // a maker's own deletion drops its references with delete
  EXPECT_TRUE(gone);
  a->DeleteMe();
}

TEST(References, DeleteMeTellsDependentsAndClearsTheirReferences) {
  std::vector<Heard> log;
  bool gone = false;
  auto* leaf = new Leaf(&gone);
  auto* a = new Holder("a", &log, 2);
  a->ReplaceReference(0, leaf);
  a->ReplaceReference(1, leaf);
  leaf->DeleteMe();
  EXPECT_TRUE(gone);
  ASSERT_EQ(log.size(), 1u) << "one message per dependent, not per slot";
  EXPECT_EQ(log[0].msg, REFMSG_TARGET_DELETED);
  EXPECT_EQ(log[0].from, leaf);
  EXPECT_EQ(a->GetReference(0), nullptr);
  EXPECT_EQ(a->GetReference(1), nullptr);
  a->DeleteMe();
}

TEST(References, NotificationsPropagateUpUnlessStopped) {
  std::vector<Heard> log;
  auto* leaf = new Leaf;
  auto* mid = new Holder("mid", &log);
  auto* top = new Holder("top", &log);
  mid->ReplaceReference(0, leaf);
  top->ReplaceReference(0, mid);

  leaf->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].who, "mid");
  EXPECT_EQ(log[0].from, leaf);
  EXPECT_EQ(log[1].who, "top");
  EXPECT_EQ(log[1].from, mid) << "each level reports itself as the sender";

  log.clear();
  leaf->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE, NOTIFY_ALL, FALSE);
  EXPECT_EQ(log.size(), 1u);

  log.clear();
  mid->stop = true;
  leaf->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].who, "mid");
  top->DeleteMe();  // takes mid and the leaf with it
}

TEST(References, DependentIteratorWalksDirectDependentsInOrder) {
  auto* leaf = new Leaf;
  auto* a = new Holder("a", nullptr, 2);
  auto* b = new Holder("b", nullptr);
  auto* c = new Holder("c", nullptr);
  a->ReplaceReference(0, leaf);
  b->ReplaceReference(0, leaf);
  a->ReplaceReference(1, leaf);
  c->ReplaceReference(0, leaf);
  DependentIterator it(leaf);
  EXPECT_EQ(it.Next(), a);
  EXPECT_EQ(it.Next(), b);
  EXPECT_EQ(it.Next(), c);
  EXPECT_EQ(it.Next(), nullptr);
  it.Reset();
  EXPECT_EQ(it.Next(), a);
  a->DeleteMe();
  b->DeleteMe();
  c->DeleteMe();
}

TEST(References, TransferReferencesMovesEveryReferenceAndKeepsTheOldTarget) {
  bool oldGone = false;
  auto* oldT = new Leaf(&oldGone);
  auto* newT = new Leaf;
  auto* a = new Holder("a", nullptr, 2);
  auto* b = new Holder("b", nullptr);
  a->ReplaceReference(0, oldT);
  a->ReplaceReference(1, oldT);
  b->ReplaceReference(0, oldT);
  oldT->TransferReferences(newT);
  EXPECT_EQ(a->GetReference(0), newT);
  EXPECT_EQ(a->GetReference(1), newT);
  EXPECT_EQ(b->GetReference(0), newT);
  EXPECT_FALSE(oldGone);
  EXPECT_FALSE(oldT->HasDependents());
  EXPECT_EQ(newT->GetDependents().size(), 2u);
  oldT->DeleteMe();
  a->DeleteMe();
  b->DeleteMe();
}

TEST(References, RemapDirClonesEachTargetOnce) {
  auto* leaf = new Leaf;
  RemapDir remap;
  RefTargetHandle c1 = remap.CloneRef(leaf);
  RefTargetHandle c2 = remap.CloneRef(leaf);
  EXPECT_NE(c1, leaf);
  EXPECT_EQ(c1, c2);
  EXPECT_EQ(remap.CloneRef(nullptr), nullptr);
  c1->DeleteMe();
  leaf->DeleteMe();
}

}  // namespace
