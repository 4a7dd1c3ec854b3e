// Wavefront OBJ meshes: positions, optional per-vertex colours and polygons.
#pragma once
#include <string>
#include <vector>

#include "sdk/mesh.h"
#include "sdk/mnmesh.h"
#include "sdk/point3.h"

struct ObjModel {
  std::vector<Point3> positions;          // per vertex
  std::vector<Point3> colours;            // per vertex, or empty when the file has none
  std::vector<std::vector<int>> polygons; // 0-based vertex indices
  // The file as read, so that a written copy keeps everything but the positions.
  std::vector<std::string> lines;
  std::vector<int> vertexLine;            // per vertex: its line in `lines`
  std::vector<std::string> vertexTail;    // per vertex: text after x y z (colours, comments)
};

// Parses OBJ text; name is used in messages. False with a message naming the
// line on anything malformed: bad numbers, non-finite values, faces with fewer
// than three corners or corners that name no vertex.
bool ParseObj(const std::string& text, const std::string& name, ObjModel& model, std::string& error);
bool ReadObjFile(const std::string& path, ObjModel& model, std::string& error);

// The polygon mesh; colours go to map channel 0, one colour vertex per vertex.
void ObjToPolyMesh(const ObjModel& model, MNMesh& mesh);
// The triangle mesh the host would build: fans whose inner diagonals are hidden.
void ObjToTriMesh(const ObjModel& model, Mesh& mesh);

// The original file with each vertex line's position replaced.
std::string ObjWithPositions(const ObjModel& model, const std::vector<Point3>& positions);

// An OBJ model of a polygon mesh (positions and faces), ready to write.
ObjModel ObjFromPolyMesh(const MNMesh& mesh, const std::string& comment);
