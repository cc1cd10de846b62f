// The question after a folder zip that had to leave files out: portable and
// tested natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How many names the question lists; the rest are counted.
constexpr size_t kListedLeftOutNames = 10;

// "N files could not be added to the zip archive:", the first names one per
// line, "and M more." for the rest, then whether to attach the zip without
// them. `names` must not be empty.
std::string LeftOutQuestion(const std::vector<std::string>& names);
