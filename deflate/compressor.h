// The compressor's face: raw deflate (RFC 1951) at level 8 of one input at a
// time, bytes in and bytes out. It knows no files and no container: the
// caller hands it a stream that reads the input and takes the output.
#pragma once

#include "deflate/deflate_stream.h"

// A new compressor, or null when there is no memory for it: one block of
// fixed memory, released with ReleaseCompressor. Its first compression
// builds the tables that every later one uses.
DeflateState* CreateCompressor();

// Releases a compressor; null is ignored.
void ReleaseCompressor(DeflateState* compressor);

// Compresses everything `stream` reads, to its end, as one deflate stream of
// final block and all. Allocates nothing. A stream stopped by its callbacks
// leaves the compressor fit for the next: every compression starts afresh.
DeflateResult CompressStream(DeflateState* compressor, DeflateStream* stream);
