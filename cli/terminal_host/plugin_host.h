// The stand-in host as the command-line program runs it: the Fernwick plug-in
// loaded from its library, one scene, answers to message boxes.
#pragma once
#include <ostream>
#include <string>

#include "sdk/modifier.h"
#include "sdk/plugin_manager.h"

class ClassDesc2;

// Loads Fernwick.dlm: from `explicitPath` when given, else beside the program
// (../plugins/Fernwick.dlm), else where the build put it. Reuses a loaded one.
ClassDesc2* LoadFernwick(const std::string& explicitPath, std::string& error);

// Opens the scene file in place of the current scene, then prints what its
// objects noted while loading (damaged data they dropped) as warnings.
bool OpenSceneFile(const std::string& path, std::ostream& warnings, std::string& error);

// A new Fernwick modifier from the loaded plug-in.
Modifier* CreateFernwick(ClassDesc2* desc);

// Empties the scene; call before the program ends.
void CloseHostSession();
