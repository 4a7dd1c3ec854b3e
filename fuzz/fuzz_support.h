// What the plug-in targets share: the plug-in loaded once as the host loads
// it, a quiet host (no terminal, boxes answered) and a small scene to work on.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sdk/class_desc.h"
#include "sdk/host_terminal.h"
#include "sdk/interface.h"
#include "sdk/message_box.h"
#include "sdk/modifier.h"
#include "sdk/plugin_manager.h"
#include "sdk/tri_object.h"
#include "tools/node_ops.h"

namespace fuzz {

// The plug-in's modifier descriptor; aborts when the library cannot load,
// since every input would then test nothing.
inline ClassDesc* FernwickDesc() {
  static ClassDesc* desc = [] {
    SetHostTerminal(nullptr);
    DefaultMessageBoxPolicy().SetQuestionDefault(IDYES);
    std::string error;
    DllDesc* dll = LoadPlugin(FW_PLUGIN_PATH, &error);
    if (!dll || !dll->GetClassDesc(0)) {
      std::fprintf(stderr, "cannot load %s: %s\n", FW_PLUGIN_PATH, error.c_str());
      std::abort();
    }
    // The scene holds the plug-in's objects: empty it before the library goes,
    // so that the leak check at exit sees only what inputs leaked.
    std::atexit([] {
      GetCOREInterface()->ResetScene();
      UnloadAllPlugins();
    });
    return dll->GetClassDesc(0);
  }();
  return desc;
}

// A closed tetrahedron-like strip: few vertices, every vertex with neighbours.
inline Mesh SmallMesh() {
  Mesh m;
  const Point3 pts[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
  const int faces[][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 4}, {1, 4, 3}, {2, 3, 4}};
  m.setNumVerts(5);
  for (int i = 0; i < 5; ++i) m.verts[i] = pts[i];
  m.setNumFaces(6);
  for (int f = 0; f < 6; ++f) {
    m.faces[f].setVerts(faces[f][0], faces[f][1], faces[f][2]);
    m.faces[f].flags = EDGE_ALL;
  }
  return m;
}

inline INode* NodeWithSmallMesh(const MCHAR* name) {
  TriObject* tri = CreateNewTriObject();
  tri->mesh = SmallMesh();
  return GetCOREInterface()->CreateObjectNode(tri, name);
}

// Back to an empty scene and a fresh message log, so inputs do not add up.
inline void ResetHost() {
  GetCOREInterface()->ResetScene();
  ClearMessageBoxLog();
  DefaultMessageBoxPolicy().Reset();
  DefaultMessageBoxPolicy().SetQuestionDefault(IDYES);
}

}  // namespace fuzz
