// Where the result files go and how they are named.
#pragma once

#include <string>

// Sets the folder result files are written to; empty (the default) means the
// working directory. Returns the previous folder.
std::string setResultFolder(const std::string& folder);

// The file name of a result: `base` (a circuit name) with path separators
// replaced by '_', so a result never lands outside the result folder, then `ext`.
std::string resultFileName(const std::string& base, const char* ext);

// Where the result file `fileName` is written: the result folder joined with it.
std::string resultPath(const std::string& fileName);
