#include "zip/source_metadata.h"

#include "platform/platform.h"
#include "zip/dos_time.h"
#include "zip/little_endian.h"
#include "zip/unix_time.h"

namespace {

// Unix mode bits of the high half of the external attributes.
constexpr uint32_t kModeDirectory = 0x4000;
constexpr uint32_t kModeRegular = 0x8000;
constexpr uint32_t kModeOwnerRead = 0x0100;
constexpr uint32_t kModeOwnerWrite = 0x0080;
constexpr uint32_t kModeOwnerExecute = 0x0040;

// DOS attribute bits that the low byte carries: read-only, hidden, system,
// directory and archive.
constexpr uint32_t kDosAttributeMask = 0x37;

// Where an MZ header keeps the offset of the newer executable header, and
// the head of a file that holds it.
constexpr uint32_t kNewHeaderOffsetField = 60;
constexpr uint32_t kProgramHeadLength = kNewHeaderOffsetField + 4;

// A DOS or Windows program: "MZ", and at the offset stored at 60 the
// signature MZ, NE, LE or PE followed by two zero bytes. A file too short
// to hold the offset is none.
bool IsProgramHead(const uint8_t* head, uint64_t size) {
  return size >= kProgramHeadLength && head[0] == 'M' && head[1] == 'Z' &&
         uint64_t{LoadLittle32(head + kNewHeaderOffsetField)} + 52 < size;
}

bool IsProgramSignature(const uint8_t* bytes) {
  const uint32_t signature = LoadLittle32(bytes);
  return signature == 0x00005A4D || signature == 0x0000454E || signature == 0x0000454C || signature == 0x00004550;
}

// IsProgramHead and IsProgramSignature on the file: the magic and the
// offset come with the head, read from the start where the file stands.
// Reads that fail leave the answer false.
bool LooksExecutable(FileHandle file, uint64_t size) {
  if (size < kProgramHeadLength) return false;
  uint8_t head[kProgramHeadLength];
  if (!ReadExactly(file, head, sizeof head) || !IsProgramHead(head, size)) return false;
  uint8_t signatureBytes[4];
  return ReadExactlyAt(file, LoadLittle32(head + kNewHeaderOffsetField), signatureBytes, sizeof signatureBytes) &&
         IsProgramSignature(signatureBytes);
}

// The Unix file type of `info`, with owner-execute for a `program`.
uint32_t FileMode(const FileInfo& info, bool program) {
  const uint32_t type = (info.attributes & FileDirectory) != 0 ? kModeDirectory : kModeRegular;
  return program ? type | kModeOwnerExecute : type;
}

// The DOS form of the UTC file time `utc` on the clock `zone`.
uint32_t DosDateTimeOf(FileTime utc, DosTimeZone zone) {
  return ToDosDateTime(zone == DosTimeUtc ? utc : UtcToLocalFileTime(utc));
}

// The times of `info` and its attributes with the Unix mode `mode`.
void DescribeTimesAndMode(const FileInfo& info, uint32_t mode, DosTimeZone zone, SourceMetadata* metadata) {
  mode |= kModeOwnerRead;
  if ((info.attributes & FileReadOnly) == 0) mode |= kModeOwnerWrite;
  metadata->externalAttributes = (mode << 16) | (info.attributes & kDosAttributeMask);
  metadata->accessTime = ToUnixTime(info.lastAccessTime);
  metadata->modifyTime = ToUnixTime(info.lastWriteTime);
  metadata->createTime = ToUnixTime(info.creationTime);
  // DOS times are local wall-clock time by the format's convention, unless
  // the archive asks for UTC; readers that ignore the extended timestamp
  // show them as they stand.
  metadata->dosDateTime = DosDateTimeOf(info.lastWriteTime, zone);
  metadata->lastWriteTime = info.lastWriteTime;
}

}  // namespace

bool ReadFileMetadata(FileHandle source, const FileInfo& info, DosTimeZone zone, SourceMetadata* metadata,
                      uint32_t* error) {
  const uint32_t mode = FileMode(info, LooksExecutable(source, info.size));
  // The data must be read from the start: an entry that silently began
  // further in would still carry a matching CRC.
  if (SetFilePosition(source, 0, SeekFromStart, error) != 0) return false;
  DescribeTimesAndMode(info, mode, zone, metadata);
  return true;
}

void ContentsMetadata(const FileInfo& info, const uint8_t* contents, DosTimeZone zone, SourceMetadata* metadata) {
  const bool program = IsProgramHead(contents, info.size) &&
                       IsProgramSignature(contents + LoadLittle32(contents + kNewHeaderOffsetField));
  DescribeTimesAndMode(info, FileMode(info, program), zone, metadata);
}

void FolderMetadata(const FileInfo& info, DosTimeZone zone, SourceMetadata* metadata) {
  // A folder's execute bit lets its owner into it.
  DescribeTimesAndMode(info, kModeDirectory | kModeOwnerExecute, zone, metadata);
}

void CurrentTimeMetadata(SourceMetadata* metadata, DosTimeZone zone) {
  // One reading of the clock gives both forms, so they never straddle a second.
  const FileTime now = CurrentUtcFileTime();
  const int32_t unixNow = ToUnixTime(now);
  metadata->accessTime = unixNow;
  metadata->modifyTime = unixNow;
  metadata->createTime = unixNow;
  metadata->dosDateTime = DosDateTimeOf(now, zone);
  metadata->externalAttributes = kModeRegular << 16;
  metadata->lastWriteTime = now;
}

void ClampTimes(SourceMetadata* metadata, FileTime latest, DosTimeZone zone) {
  const int32_t latestSeconds = ToUnixTime(latest);
  if (metadata->accessTime > latestSeconds) metadata->accessTime = latestSeconds;
  if (metadata->createTime > latestSeconds) metadata->createTime = latestSeconds;
  // Compared as file times: past 2038 the seconds are all held at one value,
  // and the DOS field still tells those years apart.
  if (metadata->lastWriteTime > latest) {
    metadata->lastWriteTime = latest;
    metadata->modifyTime = latestSeconds;
    metadata->dosDateTime = DosDateTimeOf(latest, zone);
  }
}
