// Words for why a call of the platform layer failed.
#pragma once

#include <cstdint>
#include <string>

// The system's error code, as the platform layer's calls report it, in lower-case words
// such as "permission denied" or "the disk is full".
std::string DescribeFileError(uint32_t error);

// True when the error says that a file of that name exists already.
bool IsAlreadyExistsError(uint32_t error);
