// A platform layer in memory, for the benchmark and the fuzz target: one
// source buffer to read and one output buffer to append to, so that a run
// exercises the compressor and not the file system. It implements every
// function of platform/platform.h.
//
// There is one input record and one output record: OpenInputFile returns the
// input (rewound to its start) and CreateOutputFile the output, whatever the
// path, so at most one of each is open at a time. Nothing allocates but
// AllocateFixedMemory and a growing output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace memory_platform {

// The bytes OpenInputFile reads from now on, at most `readLimit` bytes per
// read call (a file read in pieces, which the platform layer allows). The
// caller keeps them alive.
void SetSource(const uint8_t* data, size_t size, uint32_t readLimit = UINT32_MAX);

// Reserves room for this many output bytes, so that writes only copy.
void ReserveOutput(size_t capacity);

// Empties the output and rewinds the output record; the reservation stays.
void ClearOutput();

// Every byte written since the last ClearOutput.
const std::vector<uint8_t>& Output();

}  // namespace memory_platform
