// A ZipArchive record on a real output file, and a source opened on it, for
// tests of the channel and the records without the add operation.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "writer/archive_record.h"

// A zero-filled record whose output is `outputPath`, created for writing; the
// caller closes it with CloseArchive.
ZipArchive* NewArchiveOn(const std::string& outputPath);

// Opens `path` as the archive's source, owned by the archive; *info (when
// given) describes it as the open found it.
bool OpenSource(ZipArchive* archive, const std::string& path, FileInfo* info = nullptr);
