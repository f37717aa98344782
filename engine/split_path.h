#pragma once

#include <string>

// Splits a path into folder, base name and extension; '\' and '/' both separate.
// path is taken by value, so an output may be the variable it was copied from.
// Returns 0 for an empty path, leaving the outputs alone; 1 otherwise.
int SplitPath(std::string path, std::string& folder, std::string& baseName, std::string& extension);
