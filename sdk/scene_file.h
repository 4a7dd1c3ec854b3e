// Stand-in host: saving and loading the whole scene in one file.
//
// Every node and every object reachable from a node through references gets
// an id (its index in the object table; nodes first, in creation order). Per
// object the file holds its class, its reference slots as ids, the host's
// data of the built-in classes and the object's own data (its Save chunks).
//
// File layout; all numbers little-endian, floats IEEE 754, strings are a u32
// byte count and UTF-8 bytes, ids are i32 with -1 for none:
//   header   8 bytes "FWSCENE\x1A", u32 version (kSceneFileVersion)
//   chunks   u16 id, u32 payload length, payload; top level in this order:
//   0x0001 scene     i32 time, i32 range start, i32 range end, i32 frame rate,
//                    u32 animate mode
//   0x0002 objects   u32 count, then count object chunks (0x0010)
//   0x0003 roots     u32 n, n ids: the scene root's children in order
//   0x0004 selection u32 n, n node ids in selection order
// Object chunk 0x0010: u32 super class, u32 class id part A, part B, u32
// slot count n, n target ids, then sub-chunks:
//   0x0100 node      name, u32 handle, u32 wire colour, u32 hidden, u32 child
//                    count + child ids, then the position, rotation and scale
//                    tracks: value, u32 key count, keys (i32 time, value);
//                    Point3 = 3 floats, Quat = 4 floats x y z w
//   0x0101 tri mesh  u32 V, V points; u32 F, F 20-byte face records; u32 C,
//                    C colours, (C > 0) F colour faces of 3 u32; u32 selLevel;
//                    u32 bit count + bytes (0/1); u32 soft-sel flag, (1) V floats
//   0x0102 poly mesh u32 V, V (point, u32 flags); u32 F, F (u32 degree,
//                    degree i32 corners); u32 map count, per map: u32 M, M
//                    points, u32 map faces, each (u32 degree, degree i32);
//                    i32 selLevel; u32 soft-sel flag, (1) V floats
//   0x0103 spline    u32 K, K points
//   0x0104 derived   per modifier (top first): u32 has-tm, (1) 12 floats
//   0x0105 pblock    i16 block id, u32 descriptor class super class, part A,
//                    part B; u32 n, n × (i16 param id, f64 value, u32 keys,
//                    keys × (i32 time, f64 value))
//   0x0106 modifier  u32 enabled, u32 has-name, (1) name
//   0x0107 own data  the bytes the object's Save wrote (chunks of its own)
// A derived object's slots are its base (0) and its modifiers, top first.
//
// Loading parses and checks the whole file and finds every class before it
// makes any object; objects are then made (built-in classes directly, the
// others through FindClassDesc + Create(TRUE); parameter blocks from their
// class's descriptor), their references wired with ReplaceReference (the
// default block a constructor made is dropped; a slot the constructor
// filled takes only an object of the same class), and their data applied in
// the order parameter blocks, nodes, other objects, modifiers; each object's
// Load gets its own chunks. Slots that a maker only has after its Load are
// wired right after it. Any failure deletes what was made and leaves the
// current scene as it was; only success replaces it.
#pragma once
#include <string>
#include <vector>

#include "class_id.h"
#include "host_types.h"

constexpr ULONG kSceneFileVersion = 1;

struct SceneSummary {
  struct Node {
    MSTR name;
    ULONG handle = 0;
    int parent = -1;       // index into nodes, -1 for the scene root
    int object = -1;       // index into objects, -1 for none
  };
  struct Object {
    SClass_ID superClassID = 0;
    Class_ID classID;
    bool classKnown = false;  // a built-in class or a registered descriptor
    std::vector<int> refs;    // target indices into objects, -1 for none
  };
  ULONG version = 0;
  TimeValue time = 0, rangeStart = 0, rangeEnd = 0;
  int frameRate = 0;
  std::vector<Node> nodes;       // in file order
  std::vector<Object> objects;   // the whole object table (nodes included)
  std::vector<int> selection;    // indices into nodes
};

// Writes the current scene to path atomically. On failure the previous file
// is untouched and error says why.
bool SaveScene(const std::string& path, std::string& error);
// Replaces the current scene with the one in path. On failure the current
// scene is untouched and error names the problem.
bool LoadScene(const std::string& path, std::string& error);
// Parses and checks path without making any object.
bool ReadSceneSummary(const std::string& path, SceneSummary& summary, std::string& error);

// The same on bytes in memory (tests, tools).
bool SaveSceneToBytes(std::string& bytes, std::string& error);
bool LoadSceneFromBytes(const std::string& bytes, std::string& error);
