// Putting a finished file in the place of another in one step. Paths are
// UTF-8.
#pragma once

#include <cstdint>
#include <string>

// The file that writing to `path` should replace: where a link leads, so
// that the link stays a link; otherwise `path` itself.
std::string ResolveOutput(const std::string& path);

// Gives `to` the permission bits of `from`, where the system has them; does
// nothing when `from` does not exist.
void CopyPermissions(const std::string& from, const std::string& to);

// Puts `from` in the place of `to` in one step, replacing what was there.
// Returns false with the system's error code in *error.
bool MoveIntoPlace(const std::string& from, const std::string& to, uint32_t* error);

// Removes a file; returns false when it could not.
bool RemoveFile(const std::string& path);
