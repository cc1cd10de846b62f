// How the POSIX implementations carry a file descriptor in a FileHandle:
// as fd + 1, so that descriptor 0 does not look like kNoFile. Shared by the
// POSIX files of the platform layer only.
#pragma once

#include <cstdint>

#include "platform/file_handle.h"

inline FileHandle HandleFromDescriptor(int fd) { return reinterpret_cast<FileHandle>(static_cast<intptr_t>(fd) + 1); }

inline int DescriptorOf(FileHandle file) { return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1); }
