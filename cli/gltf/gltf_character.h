// A skinned glTF 2.0 character as plain data: the welded geometry of each
// skinned mesh, the joints of all its skins and their hierarchy, the node
// tree and the sampled animations. Nothing here knows the scene; the reader fills it, the writer
// copies the source file with new skin weights.
//
// Matrices are Matrix3 in the row-vector convention (p * M, row 3 is the
// translation, A * B applies A first). glTF's column-major column-vector
// 4x4 arrays convert by reading them in order: row i = elements 4i..4i+2
// (see GltfMatrixToMatrix3). Units and axes are those of the file (metres,
// +Y up); nothing is rescaled or rotated.
#pragma once
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "cli/gltf/gltf_weights.h"
#include "sdk/matrix3.h"
#include "sdk/mesh.h"
#include "sdk/point3.h"

// A node's local transform as glTF stores it. rotation is the file's unit
// quaternion (x, y, z, w) in glTF's column-vector sense.
struct GltfTrs {
  Point3 translation{0, 0, 0};
  std::array<float, 4> rotation{0, 0, 0, 1};
  Point3 scale{1, 1, 1};
};

struct GltfNode {
  std::string name;
  int parent = -1;       // node index, -1 for a root
  GltfTrs rest;          // decomposed when the file gives a matrix
  bool hasMatrix = false;
  Matrix3 restLocal;     // exactly the file's matrix, or rest as a matrix
  Matrix3 restWorld;     // restLocal times the parents' up to the root
};

// A joint of the character's skeleton: every node that some skin of the file
// binds, once, however many skins bind it.
struct GltfJoint {
  std::string name;      // the node's name, "joint<i>" when it has none
  int node = -1;         // index into GltfCharacter::nodes
  int parent = -1;       // nearest ancestor that is also a joint, -1 for none
};

// One primitive of a mesh, concatenated in file order.
struct GltfPrimitive {
  int index = -1;                 // primitive index within the glTF mesh
  std::vector<int> fileToWelded;  // per vertex of the primitive's accessors
};

// One skinned mesh: a node with a mesh and a skin, its geometry welded.
struct GltfSkinnedMesh {
  std::string name;     // the node's name, else the mesh's; unique in the character
  int node = -1;        // node that carries the mesh and the skin
  int meshIndex = -1;
  int skinIndex = -1;
  Matrix3 meshWorld;    // the node's world transform (glTF skinning ignores it)
  // Per joint of the skin, in the skin's order: the character's joint, and the
  // inverse bind matrix (identity when the skin gives none).
  std::vector<int> joints;
  std::vector<Matrix3> inverseBind;
  // The mesh's own space into the file's world at the bind pose: what most
  // joints say (a joint's inverse bind matrix times its rest world transform,
  // the same for every joint of a skeleton resting in its bind pose); else the
  // mesh node's world transform where its scale is the skeleton's; else what
  // the skin's root-most joint says.
  Matrix3 bindWorld;

  // Welded geometry: one vertex per distinct (position, joints, weights).
  std::vector<Point3> positions;              // the mesh's own space, as in the file
  std::vector<std::array<int, 3>> triangles;  // welded indices
  std::vector<GltfPrimitive> primitives;
  // Per welded vertex: (skin joint index, weight) as in the file, zero weights
  // left out, repeated joints summed, not renormalised.
  std::vector<std::vector<std::pair<int, float>>> weights;
};

// One animated node: its local transform at every frame. Paths the
// animation does not drive keep the node's rest value.
struct GltfNodeTrack {
  int node = -1;
  std::vector<GltfTrs> frames;
};

struct GltfAnimation {
  std::string name;
  float fps = 30.0f;
  float duration = 0.0f;   // seconds, the last key time of any channel
  int frameCount = 0;      // frames at 0, 1/fps, ... up to duration
  std::vector<GltfNodeTrack> tracks;
};

struct GltfCharacter {
  std::string sourcePath;
  std::vector<GltfNode> nodes;          // every node of the file, by file index
  std::vector<GltfSkinnedMesh> meshes;  // in node order
  // Mesh nodes left out because an earlier node skins the same glTF mesh:
  // the weights live in the mesh, so it is baked once.
  std::vector<std::string> sharedMeshNodes;
  std::vector<GltfJoint> joints;        // the first mesh's skin order, then each new one
  std::vector<GltfAnimation> animations;
};

struct GltfReadOptions {
  // Node or mesh names to take; empty takes every node with a skinned mesh.
  std::vector<std::string> meshNames;
  float fps = 30.0f;           // animation sampling rate
  bool readAnimations = true;
};

// Reads a .gltf (external or embedded buffers) or .glb file. Triangle strips
// and fans become triangles; points and lines are refused. False with a
// message naming the problem; out is then unspecified.
bool ReadGltfCharacter(const std::string& path, const GltfReadOptions& options, GltfCharacter& out,
                       std::string& error);
// The same on file bytes in memory; name stands for the path in messages and
// sourcePath. Buffers must be embedded (data URIs or the GLB's BIN chunk):
// there is no folder to read external ones from.
bool ReadGltfCharacterFromBytes(const std::string& bytes, const std::string& name, const GltfReadOptions& options,
                                GltfCharacter& out, std::string& error);

// New skin weights of one mesh: per welded vertex (skin joint index, weight).
using GltfVertexWeights = std::vector<std::vector<std::pair<int, float>>>;

// Writes a copy of source.sourcePath with the skin weights of its meshes
// replaced: weights[m] for source.meshes[m] (an empty list keeps that mesh's
// weights as they are). Per vertex the maxInfluences (1..8) largest weights
// as StoredInfluences gives them in `format`, in JOINTS_0/WEIGHTS_0 and, past
// four, JOINTS_1/WEIGHTS_1. New data is appended; everything else in the file
// stays as it was. Output is GLB when outPath ends in .glb, else glTF JSON
// with the new data embedded. The file is written atomically; nothing is
// written on failure.
bool WriteGltfWithWeights(const GltfCharacter& source, const std::vector<GltfVertexWeights>& weights,
                          int maxInfluences, const std::string& outPath, std::string& error,
                          GltfWeightFormat format = GltfWeightFormat::kFloat);

// The mesh's welded triangles as a host mesh, every edge visible, placed in
// the file's world at the bind pose (positions times bindWorld).
void BuildGltfMesh(const GltfSkinnedMesh& mesh, Mesh& out);
// The same positions alone.
std::vector<Point3> GltfBindWorldPositions(const GltfSkinnedMesh& mesh);

// Every joint's transform in the file's world at the bind pose, as the first
// mesh whose skin binds the joint places it: Inverse(inverseBind) * bindWorld.
std::vector<Matrix3> GltfJointBindWorld(const GltfCharacter& character);

// What a joint moves, as segments in the file's world at the bind pose: one to
// each child joint; an end joint reaches over the vertices whose heaviest
// weight is its own (what the skin says it moves), else continues its parent's
// limb at half its length.
struct GltfLimb {
  Point3 head, tail;
};
std::vector<std::vector<GltfLimb>> GltfJointLimbs(const GltfCharacter& character,
                                                  const std::vector<Matrix3>& bindWorld);

// The bone mesh of a joint in its own object space (bindWorld is the joint's
// bind transform): an octahedral bone shape along each limb.
void BuildGltfJointBone(const std::vector<GltfLimb>& limbs, const Matrix3& bindWorld, Mesh& mesh);

// World transform of every node at a frame of an animation.
std::vector<Matrix3> GltfNodeWorldAtFrame(const GltfCharacter& character, const GltfAnimation& animation, int frame);
// World transform of every joint at a frame of an animation.
std::vector<Matrix3> GltfJointWorldAtFrame(const GltfCharacter& character, const GltfAnimation& animation,
                                           int frame);
// World transform of every joint at rest.
std::vector<Matrix3> GltfJointRestWorld(const GltfCharacter& character);

// glTF's column-major 4x4 array as a row-vector Matrix3 (the bottom row, which
// glTF requires to be 0 0 0 1, is dropped).
Matrix3 GltfMatrixToMatrix3(const double* m16);
Matrix3 GltfMatrixToMatrix3(const float* m16);
Matrix3 GltfTrsToMatrix3(const GltfTrs& trs);
// Translation, rotation and scale of an affine matrix; a mirror goes into a
// negative x scale.
GltfTrs Matrix3ToGltfTrs(const Matrix3& m);
