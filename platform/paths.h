// Path syntax, without touching the file system. Paths are UTF-8, whose
// multi-byte characters never contain a separator byte.
#pragma once

#include <string>

// The last component of a path: what follows the last separator.
std::string BareName(const std::string& path);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

// `folder` and `name` joined with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);
