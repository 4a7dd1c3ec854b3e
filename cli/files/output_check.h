// Checks made before long work starts, so that a mistyped output costs
// seconds and not a whole bake.
#pragma once
#include <string>

// The file can be written: its folder (the working directory for a bare name)
// exists and takes new files, and the path is not a folder. Nothing is left
// behind. False with a message otherwise.
bool CheckOutputFile(const std::string& path, std::string& error);

// The folder exists or can be made, and takes new files.
bool PrepareOutputFolder(const std::string& dir, std::string& error);
