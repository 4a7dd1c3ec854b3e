// `fernwick demo`: the built-in sample, deformed and written as OBJ files.
#pragma once
#include <ostream>
#include <string>

int RunDemo(const std::string& outDir, std::ostream& out, std::ostream& err);
