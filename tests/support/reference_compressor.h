// The compressor's match search in its plainest form, kept beside the real
// one as an oracle: one walk along the 3-byte hash chain, candidate by
// candidate, with its own input window. It shares the block coder with the
// real compressor, so any difference in the bytes it writes is a difference
// in the matches found. Slow on purpose: nothing in it is clever.
#pragma once

#include "zip/zip_archive.h"
#include "zip/zip_entry.h"

// Deflates the archive's open `source` as CompressEntry does, with the same
// expectations and results, and must write exactly the same bytes. Uses (and
// creates at the first call) the archive's DeflateState, so it can follow or
// precede CompressEntry in one archive.
void ReferenceCompressEntry(ZipArchive* archive, ZipEntry* entry);
