// Local headers, central directory and end record, byte for byte against
// expectations worked out by hand from the zip format.
#include "writer/record_output.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/archive_fixture.h"
#include "tests/support/test_data.h"
#include "tests/support/test_files.h"
#include "writer/archive.h"
#include "writer/output_channel.h"
#include "zip/entry_name.h"
#include "zip/zip_records.h"

namespace {

ZipEntry* NewEntry(const char* name, uint16_t method, uint32_t crc, uint32_t compressed, uint32_t uncompressed) {
  auto* entry = static_cast<ZipEntry*>(AllocateFixedMemory(sizeof(ZipEntry)));
  EXPECT_TRUE(SetEntryName(entry, name));
  entry->method = method;
  entry->gpFlags = method == kMethodDeflated ? 0x0002 : 0x0000;
  entry->crc32 = crc;
  entry->compressedSize = compressed;
  entry->uncompressedSize = uncompressed;
  entry->dosDateTime = 0x586951F2;  // 2024-03-09 10:15:36
  entry->externalAttributes = 0x81800020;
  SourceMetadata metadata{};
  metadata.modifyTime = 0x11223344;
  metadata.accessTime = 0x55667788;
  metadata.createTime = static_cast<int32_t>(0x99AABBCC);
  SetTimestampFields(entry, metadata);
  return entry;
}

void Append(ZipArchive* archive, ZipEntry* entry) {
  ZipEntry** link = &archive->entryList;
  while (*link != nullptr) link = &(*link)->next;
  *link = entry;
}

// Writes an entry's local header and data as the add operation lays them
// out, and advances the archive offset past them.
void WriteEntry(ZipArchive* archive, ZipEntry* entry, const std::vector<uint8_t>& data) {
  entry->localHeaderOffset = archive->archiveOffset;
  WriteLocalHeader(archive, entry);
  WriteBytes(archive, data.data(), static_cast<uint32_t>(data.size()));
  archive->archiveOffset +=
      kLocalHeaderSize + entry->nameLength + kLocalExtraLength + static_cast<uint32_t>(data.size());
  Append(archive, entry);
}

class ZipRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("records.zip");
    archive_ = NewArchiveOn(path_);
    ASSERT_NE(nullptr, archive_);
  }
  std::vector<uint8_t> CloseAndRead() {
    EXPECT_EQ(ArchiveOk, CloseArchive(archive_).code);
    archive_ = nullptr;
    return ReadWholeFile(path_);
  }
  void TearDown() override { CloseArchive(archive_); }

  TempDir dir_;
  std::string path_;
  ZipArchive* archive_ = nullptr;
};

TEST_F(ZipRecords, TheLocalHeaderCarriesTheEntryAndTheFullTimestampField) {
  ZipEntry* entry = NewEntry("dir\\a.txt", kMethodDeflated, 0xDEADBEEF, 100, 250);
  WriteLocalHeader(archive_, entry);
  ReleaseFixedMemory(entry);
  CloseFile(archive_->output);
  archive_->output = kNoFile;
  EXPECT_EQ(Bytes({Hex("50 4B 03 04  14 00  02 00  08 00  F2 51  69 58  EF BE AD DE  64 00 00 00  FA 00 00 00"
                       "09 00  11 00"),
                   Text("dir/a.txt"), Hex("55 54  0D 00  07  44 33 22 11  88 77 66 55  CC BB AA 99")}),
            ReadWholeFile(path_));
}

TEST_F(ZipRecords, TheProvisionalHeaderIsRewrittenInPlaceWithTheSameLength) {
  ZipEntry* entry = NewEntry("x.bin", kMethodDeflated, 0, 0, 0xFFFFFFFF);
  entry->gpFlags = 0x0008;
  WriteEntry(archive_, entry, {0xAA, 0xBB, 0xCC});
  entry->gpFlags = 0x0002;
  entry->crc32 = 0x01020304;
  entry->compressedSize = 3;
  entry->uncompressedSize = 7;
  ASSERT_TRUE(SeekOutput(archive_, 0));
  WriteLocalHeader(archive_, entry);
  ASSERT_TRUE(SeekOutput(archive_, archive_->archiveOffset));
  const std::vector<uint8_t> file = CloseAndRead();
  const std::vector<uint8_t> expectedLocal =
      Bytes({Hex("50 4B 03 04  14 00  02 00  08 00  F2 51  69 58  04 03 02 01  03 00 00 00  07 00 00 00"
                 "05 00  11 00"),
             Text("x.bin"), Hex("55 54 0D 00 07 44 33 22 11 88 77 66 55 CC BB AA 99"), Hex("AA BB CC")});
  ASSERT_GE(file.size(), expectedLocal.size());
  EXPECT_EQ(expectedLocal, std::vector<uint8_t>(file.begin(), file.begin() + 55));
}

TEST_F(ZipRecords, TheCentralDirectoryDescribesEveryEntryAndEndsWithTheEndRecord) {
  WriteEntry(archive_, NewEntry("a", kMethodStored, 0x352441C2, 3, 3), Text("abc"));
  ZipEntry* second = NewEntry("b.gz", kMethodDeflated, 0xCAFEF00D, 2, 9);
  second->externalAttributes = 0x81C00021;
  WriteEntry(archive_, second, {0x4B, 0x04});
  ASSERT_EQ(104u, archive_->archiveOffset);

  const std::vector<uint8_t> file = CloseAndRead();

  const std::vector<uint8_t> expectedDirectory = Bytes({
      // "a": stored, at offset 0.
      Hex("50 4B 01 02  17 0B  14 00  00 00  00 00  F2 51  69 58  C2 41 24 35  03 00 00 00  03 00 00 00"
          "01 00  09 00  00 00  00 00  00 00  20 00 80 81  00 00 00 00"),
      Text("a"),
      Hex("55 54  05 00  07  44 33 22 11"),
      // "b.gz": deflated, at offset 51.
      Hex("50 4B 01 02  17 0B  14 00  02 00  08 00  F2 51  69 58  0D F0 FE CA  02 00 00 00  09 00 00 00"
          "04 00  09 00  00 00  00 00  00 00  21 00 C0 81  33 00 00 00"),
      Text("b.gz"),
      Hex("55 54  05 00  07  44 33 22 11"),
      // End record: 2 entries, directory of 115 bytes at offset 104.
      Hex("50 4B 05 06  00 00  00 00  02 00  02 00  73 00 00 00  68 00 00 00  00 00"),
  });
  ASSERT_EQ(104u + expectedDirectory.size(), file.size());
  EXPECT_EQ(expectedDirectory, std::vector<uint8_t>(file.begin() + 104, file.end()));
  EXPECT_EQ(Text("abc"), std::vector<uint8_t>(file.begin() + 48, file.begin() + 51));
}

TEST_F(ZipRecords, AnArchiveWithoutEntriesIsTheEndRecordAlone) {
  EXPECT_EQ(Hex("50 4B 05 06  00 00  00 00  00 00  00 00  00 00 00 00  00 00 00 00  00 00"), CloseAndRead());
}

}  // namespace
