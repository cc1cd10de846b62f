// The platform layer of the fuzz targets, in memory and without faults: one
// source read from a caller's buffer and one output file collected in a
// vector. There are no paths: the output is whatever CreateOutputFile is
// given, and OpenInputFile finds nothing; a target hands its source to the
// archive itself. Memory comes from calloc, so the sanitizers see every block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace memory_platform {

// Makes the one source read `data` from its start, at most `readLimit` bytes
// per read call, so that short reads can be exercised. `data` must outlive
// the reads. The handle stays valid for the life of the process; CloseFile
// on it does nothing.
FileHandle OpenSource(const uint8_t* data, size_t size, uint32_t readLimit);

// Every byte written to the one output file since the last ClearOutput (or
// since it was created), as a file would hold them.
const std::vector<uint8_t>& Output();

// Empties the output file and moves its position to the start, as if it had
// just been created; the file stays open.
void ClearOutput();

}  // namespace memory_platform
