#include "zip/archive.h"

#include "platform/platform.h"
#include "zip/zip_entry.h"
#include "zip/zip_records.h"

int32_t CreateArchiveOnFile(const char* path, ZipArchive** archive) {
  *archive = nullptr;
  ZipArchive* created = static_cast<ZipArchive*>(AllocateFixedMemory(sizeof(ZipArchive)));
  if (created == nullptr) return ArchiveNoMemory;
  created->output = CreateOutputFile(path);
  if (created->output == kNoFile) {
    ReleaseFixedMemory(created);
    return ArchiveOpenFailed;
  }
  created->flags = OwnsOutput | OutputSeekable;
  *archive = created;
  return ArchiveOk;
}

int32_t CloseArchive(ZipArchive* archive) {
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
  if ((archive->flags & OwnsSource) != 0) CloseFile(archive->source);
  // The compressor state is one block with nothing hanging off it.
  ReleaseFixedMemory(archive->deflateState);
  while (ZipEntry* entry = archive->entryList) {
    archive->entryList = entry->next;
    ReleaseFixedMemory(entry);
  }
  ReleaseFixedMemory(archive);
  return result;
}
