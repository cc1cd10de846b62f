// The question before a folder is zipped: portable and tested natively.
#pragma once

#include <cstdint>
#include <string>

// "Create zip from N files with a total size of X?", X in bytes up to
// 1024, in whole KB up to 1 MB, in whole MB above.
std::string SizeQuestion(int count, uint64_t totalBytes);
