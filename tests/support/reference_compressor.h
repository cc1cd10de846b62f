// The compressor's match search in its plainest form, kept beside the real
// one as an oracle: one walk along the 3-byte hash chain, candidate by
// candidate, with its own input window. It shares the block coder with the
// real compressor, so any difference in the bytes it writes is a difference
// in the matches found. Slow on purpose: nothing in it is clever.
#pragma once

#include "deflate/compressor.h"

// Compresses as CompressStream does, with the same contract and results, and
// must hand over exactly the same bytes. Takes a compressor from
// CreateCompressor, so it can follow or precede CompressStream on one.
DeflateResult ReferenceCompressStream(DeflateState* compressor, DeflateStream* stream);
