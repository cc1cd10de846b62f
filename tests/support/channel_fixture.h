// An output channel on an output file of its own, with a source opened on
// it, for tests of the channel and the records without an archive. Works on
// real files and on the in-memory platform alike.
#pragma once

#include <string>

#include "platform/platform.h"
#include "writer/output_channel.h"
#include "zip/zip_entry.h"

// A zero-filled channel whose output is `outputPath`, created for writing,
// seekable and as large as an archive may grow; null when the file cannot be
// created. ReleaseChannel ends it.
OutputChannel* NewChannelOn(const std::string& outputPath);

// Closes the channel's source, if any, and opens `path` in its place with
// the counts of the entry at 0; *info (when given) describes it as the open
// found it.
bool OpenSource(OutputChannel* channel, const std::string& path, FileInfo* info = nullptr);

// Closes the channel's output, unless a test closed it already, and its
// source, and releases it. Takes null.
void ReleaseChannel(OutputChannel* channel);

// Releases every entry of a list linked by `next` (fixed memory) and
// empties it.
void ReleaseEntries(ZipEntry** list);
