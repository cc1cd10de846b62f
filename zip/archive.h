// Creating and closing a zip archive on a file.
#pragma once

#include <cstdint>

#include "zip/zip_archive.h"

// Creates `path` for writing (replacing any file of that name) and an archive
// record that owns it. On success returns ArchiveOk and the record in
// *archive; otherwise ArchiveNoMemory or ArchiveOpenFailed with *archive null
// and nothing written.
int32_t CreateArchiveOnFile(const char* path, ZipArchive** archive);

// Writes the central directory and end record unless an add left a failure
// in `errorCode` or they were written already, closes the output when the
// archive owns it, and releases the record with every entry and the
// compressor state, on every path. Returns the failure that stopped the
// directory (or was left by an add), ArchiveBadArgument for a null archive,
// otherwise ArchiveOk.
int32_t CloseArchive(ZipArchive* archive);
