// A skinned glTF 2.0 character as plain data: the welded mesh of one skinned
// mesh, its skin's joints and their hierarchy, the node tree and the sampled
// animations. Nothing here knows the scene; the reader fills it, the writer
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

struct GltfJoint {
  std::string name;      // the node's name, "joint<i>" when it has none
  int node = -1;         // index into GltfCharacter::nodes
  int parent = -1;       // nearest ancestor that is also a joint, -1 for none
  Matrix3 inverseBind;   // identity when the skin gives no matrices
};

// One primitive of the mesh, concatenated in file order.
struct GltfPrimitive {
  int index = -1;                 // primitive index within the glTF mesh
  std::vector<int> fileToWelded;  // per vertex of the primitive's accessors
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
  int meshNode = -1;          // node that carries the mesh and the skin
  int meshIndex = -1;
  int skinIndex = -1;
  Matrix3 meshWorld;          // the mesh node's world transform in the file
  std::vector<GltfNode> nodes;  // every node of the file, by file index

  // Welded geometry: one vertex per distinct (position, joints, weights).
  std::vector<Point3> positions;
  std::vector<std::array<int, 3>> triangles;  // welded indices
  std::vector<GltfPrimitive> primitives;
  // Per welded vertex: (joint index, weight) as in the file, zero weights left
  // out, repeated joints summed, not renormalised.
  std::vector<std::vector<std::pair<int, float>>> weights;

  std::vector<GltfJoint> joints;  // in the skin's order
  std::vector<GltfAnimation> animations;
};

struct GltfReadOptions {
  // Node or mesh name to take; empty takes the first node with a skinned mesh.
  std::string meshName;
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

// Writes a copy of source.sourcePath with the skin weights of the character's
// mesh replaced: per vertex the maxInfluences (1..8) largest weights,
// normalised, in JOINTS_0/WEIGHTS_0 and, past four, JOINTS_1/WEIGHTS_1. New
// data is appended; everything else in the file stays as it was. Output is GLB
// when outPath ends in .glb, else glTF JSON with the new data embedded. The
// file is written atomically; nothing is written on failure.
bool WriteGltfWithWeights(const GltfCharacter& source,
                          const std::vector<std::vector<std::pair<int, float>>>& weightsPerWeldedVertex,
                          int maxInfluences, const std::string& outPath, std::string& error);

// The welded triangles as a host mesh, every edge visible, in the mesh's own
// space (the file's vertex positions).
void BuildGltfMesh(const GltfCharacter& character, Mesh& mesh);

// The limb a joint stands for, in the joint's object space: from its origin to
// its first child joint, or for an end joint a stub half as long as its parent
// limb continuing the same direction (+Y when there is none to follow).
void GltfJointSegment(const GltfCharacter& character, int joint, Point3& head, Point3& tail);

// The bone mesh of a joint: MakeBoneShape over GltfJointSegment.
void BuildGltfJointBone(const GltfCharacter& character, int joint, Mesh& mesh);

// World transform of every joint at a frame of an animation.
std::vector<Matrix3> GltfJointWorldAtFrame(const GltfCharacter& character, const GltfAnimation& animation,
                                           int frame);
// World transform of every joint at rest.
std::vector<Matrix3> GltfJointRestWorld(const GltfCharacter& character);

// Where each welded vertex stands in the file's world with every joint at
// rest, as a glTF viewer skins it: the weighted sum of
// position * inverseBind * jointRestWorld. A vertex without weights takes the
// mesh node's world transform.
std::vector<Point3> GltfRestPoseWorldPositions(const GltfCharacter& character);

// glTF's column-major 4x4 array as a row-vector Matrix3 (the bottom row, which
// glTF requires to be 0 0 0 1, is dropped).
Matrix3 GltfMatrixToMatrix3(const double* m16);
Matrix3 GltfMatrixToMatrix3(const float* m16);
Matrix3 GltfTrsToMatrix3(const GltfTrs& trs);
// Translation, rotation and scale of an affine matrix; a mirror goes into a
// negative x scale.
GltfTrs Matrix3ToGltfTrs(const Matrix3& m);
