#include "tests/support/archive_fixture.h"

#include "writer/archive.h"

ZipArchive* NewArchiveOn(const std::string& outputPath) {
  ZipArchive* archive = nullptr;
  return CreateArchiveOnFile(outputPath.c_str(), &archive).code == ArchiveOk ? archive : nullptr;
}

bool OpenSource(ZipArchive* archive, const std::string& path, FileInfo* info) {
  archive->source = OpenInputFile(path.c_str(), info);
  if (archive->source == kNoFile) return false;
  archive->flags |= OwnsSource;
  return true;
}
