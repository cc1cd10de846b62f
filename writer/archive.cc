#include "writer/archive.h"

#include "deflate/compress_entry.h"
#include "platform/platform.h"
#include "zip/entry_name.h"
#include "zip/output_channel.h"
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
         archive->outputLimit;
}

void CloseSource(ZipArchive* archive) {
  CloseFile(archive->source);
  archive->source = kNoFile;
  archive->flags &= ~static_cast<uint32_t>(OwnsSource);
}

// Ends an add that failed after its local header began: the output is cut
// back to where the entry began, so that its length, its position and
// archiveOffset agree again and the archive holds exactly the entries added
// before. The add returns its failure either way; only when the cut fails is
// it left in errorCode, so that close writes no directory over a broken tail.
int32_t AbandonEntry(ZipArchive* archive, ZipEntry* entry) {
  const int32_t failure = archive->errorCode;
  const uint32_t entryStart = entry->localHeaderOffset;
  ReleaseFixedMemory(entry);
  if ((archive->flags & OwnsSource) != 0) CloseSource(archive);
  if ((archive->flags & OutputSeekable) != 0 &&
      SetFilePosition(archive->output, static_cast<int32_t>(entryStart), SeekFromStart) == entryStart &&
      TruncateFileHere(archive->output)) {
    archive->archiveOffset = entryStart;
    archive->outputPosition = entryStart;
    archive->errorCode = ArchiveOk;
  }
  return failure;
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

int32_t CreateArchive(const char* path, bool replaceExisting, ZipArchive** archive) {
  ClearLastFileError();
  *archive = nullptr;
  ZipArchive* created = static_cast<ZipArchive*>(AllocateFixedMemory(sizeof(ZipArchive)));
  if (created == nullptr) return ArchiveNoMemory;
  created->output = replaceExisting ? CreateOutputFile(path) : CreateNewOutputFile(path);
  if (created->output == kNoFile) {
    ReleaseFixedMemory(created);
    return ArchiveOpenFailed;
  }
  created->flags = OwnsOutput | OutputSeekable;
  created->outputLimit = kLargestArchive;
  *archive = created;
  return ArchiveOk;
}

}  // namespace

int32_t CreateArchiveOnFile(const char* path, ZipArchive** archive) { return CreateArchive(path, true, archive); }

int32_t CreateArchiveOnNewFile(const char* path, ZipArchive** archive) {
  return CreateArchive(path, false, archive);
}

int32_t AddFileToArchive(ZipArchive* archive, const char* entryName, const char* sourcePath) {
  ClearLastFileError();
  if (archive == nullptr) return ArchiveBadArgument;
  if ((archive->flags & Finished) != 0) return ArchiveFinished;
  // A failure is left in errorCode between adds only when an earlier add
  // could not cut its remains away: the output no longer ends where
  // archiveOffset says, and an entry added now would record a false offset.
  if (archive->errorCode != ArchiveOk) return archive->errorCode;
  archive->flags &= ~static_cast<uint32_t>(SourceInfoKnown | OwnsSource);
  archive->bytesRead = 0;
  archive->compressedSize = 0;
  archive->crc32 = 0;
  if (sourcePath == nullptr) return ArchiveBadArgument;

  // Nothing is written until the local header, so every failure before it
  // leaves the archive as it was.
  archive->source = OpenInputFile(sourcePath);
  if (archive->source == kNoFile) return ArchiveOpenFailed;
  archive->flags |= OwnsSource;

  SourceMetadata metadata{};
  if (SetFilePosition(archive->source, 0, SeekFromCurrent) == kInvalidFilePosition) {
    // A source that cannot say where it is cannot describe itself either.
    archive->sourceSize = kUnknownSize;
    CurrentTimeMetadata(&metadata);
  } else {
    archive->flags |= SourceInfoKnown;
    const int32_t described = ReadFileMetadata(archive, &metadata);
    uint64_t fullSize = 0;
    if (described != ArchiveOk || !QueryFileSize(archive->source, &fullSize)) {
      CloseSource(archive);
      return described != ArchiveOk ? described : ArchiveOpenFailed;
    }
    // Sizes of 4 GiB and more would wrap in the 32-bit fields.
    if (fullSize > kLargestSource) {
      CloseSource(archive);
      return ArchiveBadArgument;
    }
  }

  if (archive->latestEntryTime != 0) ClampTimes(&metadata, archive->latestEntryTime);

  auto* entry = static_cast<ZipEntry*>(AllocateFixedMemory(sizeof(ZipEntry)));
  if (entry == nullptr) {
    CloseSource(archive);
    return ArchiveNoMemory;
  }
  if (!SetEntryName(entry, entryName)) {
    ReleaseFixedMemory(entry);
    CloseSource(archive);
    return ArchiveBadArgument;
  }
  entry->gpFlags = static_cast<uint16_t>(entry->gpFlags | kProvisionalHeader);  // beside the UTF-8 flag
  entry->dosDateTime = metadata.dosDateTime;
  entry->externalAttributes = metadata.externalAttributes;
  SetTimestampFields(entry, metadata);
  entry->method = ChooseMethod(entry->name);
  if (entry->method == kMethodStored && (archive->flags & SourceInfoKnown) != 0) {
    entry->compressedSize = archive->sourceSize;
  }
  entry->uncompressedSize = archive->sourceSize;
  entry->localHeaderOffset = archive->archiveOffset;
  // A stored entry of known size that cannot fit is refused before its data
  // is copied only to be cut away again.
  if (entry->method == kMethodStored && (archive->flags & SourceInfoKnown) != 0 &&
      !ClosesWithin(archive, uint64_t{archive->archiveOffset} + LocalHeaderLength(entry) + archive->sourceSize,
                    entry)) {
    ReleaseFixedMemory(entry);
    CloseSource(archive);
    return ArchiveSeekFailed;
  }

  archive->errorCode = ArchiveOk;
  WriteLocalHeader(archive, entry);
  if (archive->errorCode != ArchiveOk) return AbandonEntry(archive, entry);
  archive->archiveOffset += LocalHeaderLength(entry);

  WriteEntryData(archive, entry);
  if (archive->errorCode != ArchiveOk) return AbandonEntry(archive, entry);
  CloseSource(archive);
  archive->sourceSize = archive->bytesRead;
  // Every write stayed within the limit, so this cannot wrap.
  archive->archiveOffset += archive->compressedSize;
  if (!ClosesWithin(archive, archive->archiveOffset, entry)) {
    archive->errorCode = ArchiveSeekFailed;
    return AbandonEntry(archive, entry);
  }

  // The final header has the same length as the provisional one, so it is
  // written over it in place.
  entry->crc32 = archive->crc32;
  entry->compressedSize = archive->compressedSize;
  entry->uncompressedSize = archive->sourceSize;
  entry->gpFlags &= static_cast<uint16_t>(~kProvisionalHeader);
  if (!SeekOutput(archive, entry->localHeaderOffset)) return AbandonEntry(archive, entry);
  WriteLocalHeader(archive, entry);
  if (archive->errorCode != ArchiveOk) return AbandonEntry(archive, entry);
  if (!SeekOutput(archive, archive->archiveOffset)) return AbandonEntry(archive, entry);

  AppendEntry(archive, entry);
  return ArchiveOk;
}

void WriteEntryData(ZipArchive* archive, ZipEntry* entry) {
  archive->bytesRead = 0;
  archive->crc32 = 0;
  archive->compressedSize = 0;
  archive->errorCode = ArchiveOk;
  if (entry->method == kMethodDeflated) {
    CompressEntry(archive, entry);
  } else {
    CopyStored(archive);
  }
}

bool IsSourceFailure(int32_t code, uint32_t systemError) {
  return code == ArchiveOpenFailed || code == ArchiveReadFailed || code == ArchiveBadArgument ||
         (code == ArchiveSeekFailed && systemError == 0);
}

bool DescribeLastAdded(const ZipArchive* archive, AddedEntry* added) {
  const ZipEntry* entry = archive != nullptr ? archive->lastEntry : nullptr;
  if (entry == nullptr) return false;
  *added = AddedEntry{entry->method, entry->uncompressedSize, entry->compressedSize};
  return true;
}

int32_t CloseArchive(ZipArchive* archive) {
  ClearLastFileError();
  if (archive == nullptr) return ArchiveBadArgument;
  int32_t result = ArchiveOk;
  if (archive->output != kNoFile) {
    if (archive->errorCode == ArchiveOk && (archive->flags & Finished) == 0) {
      WriteCentralDirectory(archive);
      archive->flags |= Finished;
    }
    result = archive->errorCode;
    if ((archive->flags & OwnsOutput) != 0) CloseFile(archive->output);
  }
  if ((archive->flags & OwnsSource) != 0) CloseSource(archive);
  ReleaseCompressor(archive);
  while (ZipEntry* entry = archive->entryList) {
    archive->entryList = entry->next;
    ReleaseFixedMemory(entry);
  }
  ReleaseFixedMemory(archive);
  return result;
}
