// Types of file that mail services refuse to carry in a zip archive, as
// the RejectedTypes setting names them.
#pragma once

#include <string>
#include <vector>

// The setting's value when the INI file has none: the types that the two
// largest mail services refuse, in a zip as much as alone, by their own
// published lists, joined.
extern const char kDefaultRejectedTypes[];

// The suffixes a RejectedTypes value names: separated by spaces, commas or
// semicolons, each with or without a leading "." or "*.", compared in lower
// case. An empty value names none.
std::vector<std::string> ParseRejectedTypes(const std::string& setting);

// Whether `name`'s suffix, what follows its last '.' in its last part, is
// one of `types` (as ParseRejectedTypes gives them), in any case.
bool HasRejectedType(const std::string& name, const std::vector<std::string>& types);
