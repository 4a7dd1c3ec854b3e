#include "cli/files/obj_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "cli/files/atomic_file.h"

namespace {

// Splits on blanks; the OBJ format has no quoting.
std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool ToFloat(std::string_view s, float& v) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

bool ToInt(std::string_view s, long& v) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

}  // namespace

bool ParseObj(const std::string& text, const std::string& name, ObjModel& model, std::string& error) {
  model = ObjModel();
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  bool anyColour = false;
  std::vector<bool> hasColour;
  std::vector<std::pair<int, std::vector<long>>> rawFaces;  // line, corners as written
  auto fail = [&](const std::string& what) {
    error = name + ":" + std::to_string(lineNo) + ": " + what;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    model.lines.push_back(line);
    std::string_view body(line);
    if (const size_t hash = body.find('#'); hash != std::string_view::npos) body = body.substr(0, hash);
    const auto tok = Tokens(body);
    if (tok.empty()) continue;
    if (tok[0] == "v") {
      if (tok.size() != 4 && tok.size() != 5 && tok.size() != 7)
        return fail("a vertex needs x y z, optionally w or r g b");
      Point3 p, c(1, 1, 1);
      if (!ToFloat(tok[1], p.x) || !ToFloat(tok[2], p.y) || !ToFloat(tok[3], p.z))
        return fail("vertex position is not a finite number");
      const bool coloured = tok.size() == 7;
      if (coloured && (!ToFloat(tok[4], c.x) || !ToFloat(tok[5], c.y) || !ToFloat(tok[6], c.z)))
        return fail("vertex colour is not a finite number");
      model.positions.push_back(p);
      model.colours.push_back(c);
      hasColour.push_back(coloured);
      anyColour |= coloured;
      model.vertexLine.push_back(lineNo - 1);
      // Whatever follows x y z on the line is kept as written.
      const size_t zEnd = static_cast<size_t>(tok[3].data() + tok[3].size() - line.data());
      model.vertexTail.push_back(line.substr(zEnd));
    } else if (tok[0] == "f") {
      if (tok.size() < 4) return fail("a face needs at least three corners");
      std::vector<long> corners;
      for (size_t k = 1; k < tok.size(); ++k) {
        const std::string_view idx = tok[k].substr(0, tok[k].find('/'));
        long v = 0;
        if (!ToInt(idx, v) || v == 0) return fail(std::string("face corner '").append(tok[k]).append("' is not a vertex index"));
        // Negative indices count back from the vertices read so far.
        if (v < 0) v = static_cast<long>(model.positions.size()) + v + 1;
        corners.push_back(v - 1);
      }
      rawFaces.emplace_back(lineNo, std::move(corners));
    }
  }
  if (in.bad()) {
    error = name + ": read error";
    return false;
  }
  const long n = static_cast<long>(model.positions.size());
  if (n > 0x7fffffff / 2) {
    error = name + ": too many vertices";
    return false;
  }
  for (auto& [ln, corners] : rawFaces) {
    std::vector<int> poly;
    for (long v : corners) {
      if (v < 0 || v >= n) {
        lineNo = ln;
        return fail("face names vertex " + std::to_string(v + 1) + " but the file has " + std::to_string(n));
      }
      poly.push_back(static_cast<int>(v));
    }
    model.polygons.push_back(std::move(poly));
  }
  if (anyColour) {
    for (size_t i = 0; i < hasColour.size(); ++i)
      if (!hasColour[i]) {
        error = name + ":" + std::to_string(model.vertexLine[i] + 1) + ": vertex has no colour while others do";
        return false;
      }
  } else {
    model.colours.clear();
  }
  return true;
}

bool ReadObjFile(const std::string& path, ObjModel& model, std::string& error) {
  std::string text;
  if (!ReadWholeFile(path, text, error)) return false;
  return ParseObj(text, path, model, error);
}

void ObjToPolyMesh(const ObjModel& model, MNMesh& mesh) {
  mesh = MNMesh();
  const int n = static_cast<int>(model.positions.size());
  mesh.setNumVerts(n);
  for (int i = 0; i < n; ++i) mesh.P(i) = model.positions[i];
  for (const auto& poly : model.polygons) mesh.NewFace(poly);
  if (!model.colours.empty()) {
    mesh.SetMapNum(1);
    MNMap& map = *mesh.M(0);
    map.numv = n;
    map.v = model.colours;
    for (const auto& poly : model.polygons) {
      MNMapFace mf;
      mf.tv = poly;
      mf.deg = static_cast<int>(poly.size());
      map.f.push_back(std::move(mf));
    }
  }
}

void ObjToTriMesh(const ObjModel& model, Mesh& mesh) {
  MNMesh poly;
  ObjToPolyMesh(model, poly);
  mesh = Mesh();
  poly.OutToTri(mesh);
}

std::string ObjWithPositions(const ObjModel& model, const std::vector<Point3>& positions) {
  std::vector<std::string> lines = model.lines;
  char buf[128];
  for (size_t i = 0; i < model.vertexLine.size() && i < positions.size(); ++i) {
    const Point3& p = positions[i];
    std::snprintf(buf, sizeof buf, "v %.9g %.9g %.9g", p.x, p.y, p.z);
    std::string& line = lines[model.vertexLine[i]];
    line = buf;
    line += model.vertexTail[i];
  }
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += '\n';
  }
  return out;
}

ObjModel ObjFromPolyMesh(const MNMesh& mesh, const std::string& comment) {
  ObjModel m;
  if (!comment.empty()) m.lines.push_back(std::string("# ").append(comment));
  char buf[128];
  for (int i = 0; i < mesh.numv; ++i) {
    const Point3& p = mesh.P(i);
    m.positions.push_back(p);
    std::snprintf(buf, sizeof buf, "v %.9g %.9g %.9g", p.x, p.y, p.z);
    m.vertexLine.push_back(static_cast<int>(m.lines.size()));
    m.vertexTail.emplace_back();
    m.lines.emplace_back(buf);
  }
  for (const MNFace& face : mesh.f) {
    std::string line = "f";
    for (int v : face.vtx) line.append(" ").append(std::to_string(v + 1));
    m.polygons.push_back(face.vtx);
    m.lines.push_back(std::move(line));
  }
  return m;
}
