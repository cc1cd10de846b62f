// A platform layer in memory, for the benchmark: one source buffer to read and
// one output buffer to append to, so that a run times the compressor and not
// the file system. It implements every function of platform/platform.h.
//
// There is one input record and one output record: OpenInputFile returns the
// input (rewound to its start) and CreateOutputFile the output, whatever the
// path, so at most one of each is open at a time. Nothing allocates but
// AllocateFixedMemory and a growing output.
#pragma once

#include <cstddef>
#include <cstdint>

namespace memory_platform {

// The bytes OpenInputFile reads from now on. The caller keeps them alive.
void SetSource(const uint8_t* data, size_t size);

// Reserves room for this many output bytes, so that writes only copy.
void ReserveOutput(size_t capacity);

// Empties the output and rewinds the output record; the reservation stays.
void ClearOutput();

// Every byte written since the last ClearOutput.
const uint8_t* OutputData();
size_t OutputSize();

}  // namespace memory_platform
