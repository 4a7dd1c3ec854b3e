#include "inode.h"

#include <algorithm>

#include "interface.h"

INode::INode(ULONG handle) : handle_(handle) { SetAutoDelete(false); }

void INode::RemoveChild(INode* child) {
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

void INode::AttachChild(INode* child, int keepTM) {
  if (!child || child == this || child->parent_ == this) return;
  for (INode* p = this; p; p = p->parent_)
    if (p == child) return;  // would make a cycle
  const TimeValue now = GetCOREInterface()->GetTime();
  const Matrix3 world = child->GetNodeTM(now);
  if (child->parent_) child->parent_->RemoveChild(child);
  child->parent_ = this;
  children_.push_back(child);
  if (keepTM) child->SetLocal(now, world * Inverse(GetNodeTM(now)), false);
}

const ObjectState& INode::EvalWorldState(TimeValue t, BOOL evalHidden) {
  ws_ = ObjectState();
  if (object_ && (evalHidden || !hidden_)) ws_ = object_->Eval(t);
  return ws_;
}

Matrix3 INode::GetLocalTM(TimeValue t) {
  const Point3 s = scale_.Eval(t);
  Matrix3 m;
  rot_.Eval(t).MakeMatrix(m);
  m.SetRow(0, m.GetRow(0) * s.x);
  m.SetRow(1, m.GetRow(1) * s.y);
  m.SetRow(2, m.GetRow(2) * s.z);
  m.SetTrans(pos_.Eval(t));
  return m;
}

Matrix3 INode::GetParentTM(TimeValue t) { return parent_ ? parent_->GetNodeTM(t) : Matrix3(); }

Matrix3 INode::GetNodeTM(TimeValue t, Interval* valid) {
  if (valid) {
    if (pos_.IsAnimated() || rot_.IsAnimated() || scale_.IsAnimated()) *valid &= Interval(t, t);
  }
  const Matrix3 local = GetLocalTM(t);
  return parent_ ? local * parent_->GetNodeTM(t, valid) : local;
}

void INode::SetNodeTM(TimeValue t, const Matrix3& tm) {
  SetLocal(t, tm * Inverse(GetParentTM(t)), GetCOREInterface()->GetAnimateMode() != FALSE);
}

void INode::SetLocal(TimeValue t, const Matrix3& local, bool animate) {
  // Split into scale, rotation and translation (no shear is kept).
  Point3 s(local[0].Length(), local[1].Length(), local[2].Length());
  Matrix3 r;
  for (int i = 0; i < 3; ++i) r.SetRow(i, s[i] > 0.0f ? local[i] / s[i] : Point3(0, 0, 0));
  if (r.Determinant() < 0.0f) {
    s.x = -s.x;
    r.SetRow(0, -r.GetRow(0));
  }
  const Quat q(r);
  const Point3 p = local.GetTrans();

  if (animate) {
    pos_.SetKey(t, p);
    rot_.SetKey(t, q);
    scale_.SetKey(t, s);
    return;
  }
  if (!pos_.IsAnimated()) {
    pos_.SetValue(p);
  } else {
    const Point3 d = p - pos_.Eval(t);
    for (int i = 0; i < pos_.NumKeys(); ++i) pos_.GetKey(i).value += d;
  }
  if (!rot_.IsAnimated()) {
    rot_.SetValue(q);
  } else {
    const Quat d = rot_.Eval(t).Inverse() * q;
    for (int i = 0; i < rot_.NumKeys(); ++i) rot_.GetKey(i).value = (rot_.GetKey(i).value * d).Normalize();
  }
  if (!scale_.IsAnimated()) {
    scale_.SetValue(s);
  } else {
    const Point3 old = scale_.Eval(t);
    for (int i = 0; i < scale_.NumKeys(); ++i) {
      Point3& k = scale_.GetKey(i).value;
      for (int c = 0; c < 3; ++c) k[c] = old[c] != 0.0f ? k[c] * (s[c] / old[c]) : s[c];
    }
  }
}
