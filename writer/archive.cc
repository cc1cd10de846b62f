#include "writer/archive.h"

#include <string>

#include "deflate/compressor.h"
#include "deflate/parallel_compressor.h"
#include "platform/platform.h"
#include "writer/archive_record.h"
#include "writer/compressed_ahead.h"
#include "writer/entry_compression.h"
#include "writer/output_channel.h"
#include "writer/record_output.h"
#include "zip/entry_name.h"
#include "zip/source_metadata.h"
#include "zip/zip_entry.h"
#include "zip/zip_records.h"

namespace {

constexpr uint16_t kProvisionalHeader = 0x0008;  // sizes and CRC are not final yet
constexpr uint32_t kUnknownSize = 0xFFFFFFFF;

// Whether an archive whose entries end at `entriesEnd` still closes within
// its limit once `entry` joins the directory. In 64 bits, so nothing wraps.
bool ClosesWithin(const ZipArchive* archive, uint64_t entriesEnd, const ZipEntry* entry) {
  return entriesEnd + archive->directorySize + CentralHeaderLength(entry) + kEndOfDirectorySize <=
         archive->channel.outputLimit;
}

// Ends an add refused before anything was written: keeps why, and returns
// it without leaving its code in errorCode, so the archive takes further
// adds.
ArchiveStatus Refuse(ZipArchive* archive, ArchiveResult code, FailureReason reason, uint32_t systemError = 0) {
  archive->channel.failure = FailureStatus(code, reason, systemError);
  return archive->channel.failure;
}

void CloseSource(ZipArchive* archive) {
  CloseFile(archive->channel.source);
  archive->channel.source = kNoFile;
  archive->flags &= ~static_cast<uint32_t>(OwnsSource);
}

// Ends an add that failed after its local header began: the output is cut
// back to where the entry began, so that its length, its position and
// archiveOffset agree again and the archive holds exactly the entries added
// before. The add returns its failure either way; only when the cut fails is
// it left in errorCode, so that close writes no directory over a broken tail.
ArchiveStatus AbandonEntry(ZipArchive* archive, ZipEntry* entry) {
  OutputChannel* const channel = &archive->channel;
  const ArchiveStatus failure = channel->failure;
  const uint32_t entryStart = entry->localHeaderOffset;
  channel->pendingHeader = 0;
  ReleaseFixedMemory(entry);
  if ((archive->flags & OwnsSource) != 0) CloseSource(archive);
  if (channel->outputSeekable &&
      SetFilePosition(channel->output, static_cast<int32_t>(entryStart), SeekFromStart) == entryStart &&
      TruncateFileHere(channel->output)) {
    archive->archiveOffset = entryStart;
    channel->outputPosition = entryStart;
    channel->errorCode = ArchiveOk;
  }
  return failure;
}

ArchiveStatus RefuseSource(ZipArchive* archive, ArchiveResult code, FailureReason reason, uint32_t systemError = 0) {
  const ArchiveStatus refused = Refuse(archive, code, reason, systemError);
  CloseSource(archive);
  return refused;
}

// Whether the source still is what it was when it was opened, all of it
// read (see UnchangedWhileRead).
bool SourceUnchanged(ZipArchive* archive, const FileInfo& opened, FileTime openedWriteTime) {
  OutputChannel* const channel = &archive->channel;
  FileInfo now;
  uint32_t error = 0;
  if (!QueryFileInfo(channel->source, &now, &error)) {
    FailChannel(channel, ArchiveReadFailed, FailedSourceRead, error);
    return false;
  }
  if (!UnchangedWhileRead(now, opened, openedWriteTime, channel->bytesRead)) {
    FailChannel(channel, ArchiveReadFailed, FailedSourceChanged);
    return false;
  }
  return true;
}

void AppendEntry(ZipArchive* archive, ZipEntry* entry) {
  if (archive->lastEntry == nullptr) {
    archive->entryList = entry;
  } else {
    archive->lastEntry->next = entry;
  }
  archive->lastEntry = entry;
  archive->directorySize += CentralHeaderLength(entry);
}

// A new entry named `entryName` (a folder's, with its '/', when `folder`)
// with the times and attributes of *metadata, held to the archive's latest
// entry time, and to begin where the archive ends. Null, with why in the
// channel's `failure`, when there is no memory or the name is refused.
ZipEntry* NewEntry(ZipArchive* archive, const char* entryName, bool folder, SourceMetadata* metadata) {
  const ArchiveOptions& options = archive->options;
  if (options.latestEntryTime != 0) ClampTimes(metadata, options.latestEntryTime, options.dosTimeZone);
  auto* entry = static_cast<ZipEntry*>(AllocateFixedMemory(sizeof(ZipEntry)));
  if (entry == nullptr) {
    Refuse(archive, ArchiveNoMemory, FailedNoMemory);
    return nullptr;
  }
  if (!(folder ? SetFolderEntryName(entry, entryName) : SetEntryName(entry, entryName))) {
    ReleaseFixedMemory(entry);
    Refuse(archive, ArchiveBadArgument, FailedNameRefused);
    archive->channel.failure.nameProblem = folder ? CheckFolderEntryName(entryName) : CheckEntryName(entryName);
    return nullptr;
  }
  entry->dosDateTime = metadata->dosDateTime;
  entry->externalAttributes = metadata->externalAttributes;
  SetTimestampFields(entry, *metadata);
  entry->localHeaderOffset = archive->archiveOffset;
  return entry;
}

// A zero-filled record with the caller's options, or null without memory.
ZipArchive* NewArchive(const ArchiveOptions& options) {
  auto* created = static_cast<ZipArchive*>(AllocateFixedMemory(sizeof(ZipArchive)));
  if (created == nullptr) return nullptr;
  created->options = options;
  OutputChannel& channel = created->channel;
  channel.outputLimit = options.largestArchive < kLargestArchive ? options.largestArchive : kLargestArchive;
  channel.readReport = options.readProgress;
  channel.readReportContext = options.readProgressContext;
  created->compressors.threads = options.deflateThreads;
  return created;
}

}  // namespace

ArchiveStatus CreateArchiveOnFile(const char* path, ZipArchive** archive, const ArchiveOptions& options) {
  *archive = nullptr;
  ZipArchive* created = NewArchive(options);
  if (created == nullptr) return FailureStatus(ArchiveNoMemory, FailedNoMemory);
  uint32_t error = 0;
  created->channel.output = CreateOutputFile(path, &error);
  if (created->channel.output == kNoFile) {
    ReleaseFixedMemory(created);
    return FailureStatus(ArchiveOpenFailed, FailedOutputCreate, error);
  }
  created->channel.outputSeekable = true;
  created->flags = OwnsOutput;
  *archive = created;
  return kArchiveOk;
}

ArchiveStatus CreateArchiveOnHandle(FileHandle output, ZipArchive** archive, const ArchiveOptions& options) {
  *archive = nullptr;
  if (output == kNoFile) return FailureStatus(ArchiveBadArgument, FailedNoOutput);
  ZipArchive* created = NewArchive(options);
  if (created == nullptr) return FailureStatus(ArchiveNoMemory, FailedNoMemory);
  created->channel.output = output;
  created->channel.outputSeekable = true;  // not OwnsOutput: the caller closes it
  *archive = created;
  return kArchiveOk;
}

namespace {

// Writes the data of `entry` from the archive's open `source` to the output:
// stored entries are copied, deflated ones compressed, or taken as they were
// compressed `ahead` when they were. bytesRead, crc32 and compressedSize
// start at 0 and errorCode at ArchiveOk; on return errorCode tells how it
// went and the three counters describe the data. While a local header is
// pending, data that all fits the staged output stays there behind it, with
// the header still pending (see EndEntryData).
void WriteEntryData(ZipArchive* archive, ZipEntry* entry, const CompressedAhead* ahead) {
  OutputChannel* const channel = &archive->channel;
  channel->bytesRead = 0;
  channel->crc32 = 0;
  channel->compressedSize = 0;
  channel->errorCode = ArchiveOk;
  if (ahead != nullptr) {
    TakeDeflatedData(channel, entry, ahead->data, ahead->dataSize, archive->sourceSize, ahead->crc32);
  } else if (entry->method == kMethodDeflated) {
    CompressEntry(channel, &archive->compressors, entry, archive->sourceSize == kUnknownSize ? 0 : archive->sourceSize);
  } else {
    CopyStored(channel);
  }
}

// Opens the file at `sourcePath` as the channel's source, checks that it is
// the file `listed` (when given) and describes it: on success `opened` and
// `metadata` say what it was as it was opened, archive->sourceSize holds its
// size (kUnknownSize for a stream), and OwnsSource is set, with
// SourceInfoKnown unless it is a stream. Otherwise returns the refusal,
// with nothing open.
ArchiveStatus OpenSource(ZipArchive* archive, const char* sourcePath, const FileIdentity* listed, FileInfo* opened,
                         SourceMetadata* metadata) {
  OutputChannel* const channel = &archive->channel;
  // The open describes the file (identity, size, times) from the look that
  // found it plain; nothing asks again before the data is read.
  uint32_t openError = 0;
  channel->source = OpenInputFile(sourcePath, opened, &openError);
  if (channel->source == kNoFile) {
    return Refuse(archive, ArchiveOpenFailed,
                  openError == kNotPlainFileError ? FailedSourceNotPlainFile : FailedSourceOpen, openError);
  }
  archive->flags |= OwnsSource;
  if (listed != nullptr && opened->identity != *listed) {
    return RefuseSource(archive, ArchiveOpenFailed, FailedSourceNotListed);
  }
  if (SetFilePosition(channel->source, 0, SeekFromCurrent) == kInvalidFilePosition) {
    // A source that cannot say where it is is taken as a stream: read as it
    // comes, never rewound, described by the clock, its size unknown until
    // it has been read.
    archive->sourceSize = kUnknownSize;
    CurrentTimeMetadata(metadata, archive->options.dosTimeZone);
    return kArchiveOk;
  }
  archive->flags |= SourceInfoKnown;
  // Sizes of 4 GiB and more would wrap in the 32-bit fields.
  if (opened->size > kLargestSource) return RefuseSource(archive, ArchiveSourceTooLarge, FailedSourceTooLarge);
  archive->sourceSize = static_cast<uint32_t>(opened->size);
  uint32_t error = 0;
  if (!ReadFileMetadata(channel->source, *opened, archive->options.dosTimeZone, metadata, &error)) {
    return RefuseSource(archive, ArchiveReadFailed, FailedSourceRead, error);
  }
  return kArchiveOk;
}

ArchiveStatus AddSource(ZipArchive* archive, const char* entryName, const char* sourcePath,
                        const FileIdentity* listed) {
  if (archive == nullptr) return FailureStatus(ArchiveBadArgument, FailedNoArchive);
  OutputChannel* const channel = &archive->channel;
  // A failure is left in errorCode between adds only when an earlier add
  // could not cut its remains away: the output no longer ends where
  // archiveOffset says, and an entry added now would record a false offset.
  // Its reason stays as it was.
  if (channel->errorCode != ArchiveOk) return channel->failure;
  archive->flags &= ~static_cast<uint32_t>(SourceInfoKnown | OwnsSource);
  channel->bytesRead = 0;
  channel->compressedSize = 0;
  channel->crc32 = 0;
  if (sourcePath == nullptr) return Refuse(archive, ArchiveBadArgument, FailedNoSourcePath);

  // Nothing is written until the local header, so every failure before it
  // leaves the archive as it was. A file compressed ahead was opened,
  // checked and described by the worker that read it.
  bool cancelled = false;
  const CompressedAhead* ahead = TakeAhead(archive->ahead, &archive->compressors, entryName, sourcePath, listed,
                                           channel->readReport, channel->readReportContext, &cancelled);
  if (cancelled) return Refuse(archive, ArchiveCancelled, FailedCancelled);
  FileInfo opened{};
  SourceMetadata metadata{};
  if (ahead != nullptr) {
    opened = ahead->opened;
    metadata = ahead->metadata;
    archive->flags |= SourceInfoKnown;
    archive->sourceSize = static_cast<uint32_t>(opened.size);
  } else {
    const ArchiveStatus refused = OpenSource(archive, sourcePath, listed, &opened, &metadata);
    if (refused.code != ArchiveOk) return refused;
  }
  // Before any clamping: what the file said when it was opened.
  const FileTime openedWriteTime = metadata.lastWriteTime;

  ZipEntry* entry = NewEntry(archive, entryName, false, &metadata);
  if (entry == nullptr) {
    CloseSource(archive);
    return channel->failure;
  }
  entry->gpFlags = static_cast<uint16_t>(entry->gpFlags | kProvisionalHeader);  // beside the UTF-8 flag
  // By the suffix, which the name's conversion leaves as it was: a file
  // compressed ahead was found deflated by the same test.
  entry->method = ChooseMethod(entry->name);
  if (entry->method == kMethodStored && (archive->flags & SourceInfoKnown) != 0) {
    entry->compressedSize = archive->sourceSize;
  }
  entry->uncompressedSize = archive->sourceSize;
  // A stored entry of known size that cannot fit is refused before its data
  // is copied only to be cut away again.
  if (entry->method == kMethodStored && (archive->flags & SourceInfoKnown) != 0 &&
      !ClosesWithin(archive, uint64_t{archive->archiveOffset} + LocalHeaderLength(entry) + archive->sourceSize,
                    entry)) {
    ReleaseFixedMemory(entry);
    return RefuseSource(archive, ArchiveTooLarge, FailedArchiveLimit);
  }

  // The provisional header waits in front of the staged output and goes out
  // with the first bufferful of data; an entry whose data all fits the
  // buffer never writes it.
  channel->errorCode = ArchiveOk;
  PendLocalHeader(channel, entry);
  archive->archiveOffset += LocalHeaderLength(entry);

  WriteEntryData(archive, entry, ahead);
  ReleaseTaken(archive->ahead);
  if (channel->errorCode != ArchiveOk) return AbandonEntry(archive, entry);
  if ((archive->flags & OwnsSource) != 0 && (archive->flags & SourceInfoKnown) != 0 &&
      !SourceUnchanged(archive, opened, openedWriteTime)) {
    return AbandonEntry(archive, entry);
  }
  CloseSource(archive);
  archive->sourceSize = channel->bytesRead;
  // Every write stayed within the limit, so this cannot wrap.
  archive->archiveOffset += channel->compressedSize;
  if (!ClosesWithin(archive, archive->archiveOffset, entry)) {
    FailChannel(channel, ArchiveTooLarge, FailedArchiveLimit);
    return AbandonEntry(archive, entry);
  }

  entry->crc32 = channel->crc32;
  entry->compressedSize = channel->compressedSize;
  entry->uncompressedSize = archive->sourceSize;
  entry->gpFlags &= static_cast<uint16_t>(~kProvisionalHeader);
  if (channel->pendingHeader != 0) {
    // Nothing of the entry went out: all its data waits staged behind the
    // provisional header, whose place the final one takes, and both go out
    // with one write.
    PendLocalHeader(channel, entry);
    WriteBytes(channel, StagedOutput(channel), channel->compressedSize);
    if (channel->errorCode != ArchiveOk) return AbandonEntry(archive, entry);
  } else {
    // The final header has the same length as the provisional one, so it is
    // written over it in place.
    if (!SeekOutput(channel, entry->localHeaderOffset)) return AbandonEntry(archive, entry);
    WriteLocalHeader(channel, entry);
    if (channel->errorCode != ArchiveOk) return AbandonEntry(archive, entry);
    if (!SeekOutput(channel, archive->archiveOffset)) return AbandonEntry(archive, entry);
  }

  AppendEntry(archive, entry);
  return kArchiveOk;
}

}  // namespace

ArchiveStatus AddFileToArchive(ZipArchive* archive, const char* entryName, const char* sourcePath) {
  return AddSource(archive, entryName, sourcePath, nullptr);
}

ArchiveStatus AddListedFileToArchive(ZipArchive* archive, const char* entryName, const char* sourcePath,
                                     const FileIdentity& listed) {
  return AddSource(archive, entryName, sourcePath, &listed);
}

ArchiveStatus AddFolderToArchive(ZipArchive* archive, const char* entryName, const char* folderPath) {
  if (archive == nullptr) return FailureStatus(ArchiveBadArgument, FailedNoArchive);
  OutputChannel* const channel = &archive->channel;
  if (channel->errorCode != ArchiveOk) return channel->failure;
  if (folderPath == nullptr) return Refuse(archive, ArchiveBadArgument, FailedNoSourcePath);
  // Never compressed ahead, but the plan's next source all the same.
  bool cancelled = false;
  TakeAhead(archive->ahead, &archive->compressors, entryName, folderPath, nullptr, nullptr, nullptr, &cancelled);
  FileInfo info{};
  uint32_t error = 0;
  if (!QueryFolderInfo(folderPath, &info, &error)) return Refuse(archive, ArchiveOpenFailed, FailedSourceOpen, error);
  SourceMetadata metadata{};
  FolderMetadata(info, archive->options.dosTimeZone, &metadata);
  // The '/' that makes it a folder is written whether it was given or not.
  std::string name = entryName != nullptr ? entryName : "";
  if (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
  ZipEntry* entry = NewEntry(archive, name.c_str(), true, &metadata);
  if (entry == nullptr) return channel->failure;
  entry->method = kMethodStored;
  const uint32_t headerLength = LocalHeaderLength(entry);
  if (!ClosesWithin(archive, uint64_t{archive->archiveOffset} + headerLength, entry)) {
    ReleaseFixedMemory(entry);
    return Refuse(archive, ArchiveTooLarge, FailedArchiveLimit);
  }
  // No data: the header, final at once, is all of it, in one write.
  PendLocalHeader(channel, entry);
  WriteBytes(channel, StagedOutput(channel), 0);
  if (channel->errorCode != ArchiveOk) return AbandonEntry(archive, entry);
  archive->archiveOffset += headerLength;
  AppendEntry(archive, entry);
  return kArchiveOk;
}

void PlanArchiveSources(ZipArchive* archive, const Source* sources, size_t count) {
  if (archive == nullptr || archive->compressors.threads < 2) return;
  ReleaseAheadPlan(archive->ahead);
  archive->ahead = NewAheadPlan(sources, count, archive->options.dosTimeZone);
  CompressAhead(archive->ahead, &archive->compressors);
}

bool IsSourceFailure(const ArchiveStatus& status) {
  switch (status.reason) {
    case FailedNameRefused:
    case FailedSourceTooLarge:
    case FailedSourceOpen:
    case FailedSourceNotPlainFile:
    case FailedSourceNotListed:
    case FailedSourceRead:
    case FailedSourceChanged:
    case FailedArchiveLimit: return true;
    default: return false;
  }
}

bool DescribeLastAdded(const ZipArchive* archive, AddedEntry* added) {
  const ZipEntry* entry = archive != nullptr ? archive->lastEntry : nullptr;
  if (entry == nullptr) return false;
  *added = AddedEntry{entry->method, entry->uncompressedSize, entry->compressedSize};
  return true;
}

namespace {

// Closes what the archive owns and releases it with everything it holds.
void ReleaseArchive(ZipArchive* archive) {
  if ((archive->flags & OwnsOutput) != 0) CloseFile(archive->channel.output);
  if ((archive->flags & OwnsSource) != 0) CloseSource(archive);
  ReleaseAheadPlan(archive->ahead);
  ReleaseDeflateWorkers(archive->compressors.workers);
  ReleaseCompressor(archive->compressors.state);
  while (ZipEntry* entry = archive->entryList) {
    archive->entryList = entry->next;
    ReleaseFixedMemory(entry);
  }
  ReleaseFixedMemory(archive);
}

}  // namespace

ArchiveStatus CloseArchive(ZipArchive* archive) {
  if (archive == nullptr) return FailureStatus(ArchiveBadArgument, FailedNoArchive);
  if (archive->channel.errorCode == ArchiveOk) {
    archive->archiveOffset = WriteCentralDirectory(&archive->channel, archive->entryList, archive->archiveOffset);
  }
  const ArchiveStatus result = archive->channel.errorCode == ArchiveOk ? kArchiveOk : archive->channel.failure;
  ReleaseArchive(archive);
  return result;
}

void DiscardArchive(ZipArchive* archive) {
  if (archive != nullptr) ReleaseArchive(archive);
}
