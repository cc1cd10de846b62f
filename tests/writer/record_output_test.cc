// Local headers, central directory and end record, byte for byte against
// expectations worked out by hand from the zip format.
#include "writer/record_output.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/channel_fixture.h"
#include "tests/support/test_data.h"
#include "tests/support/test_files.h"
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

class ZipRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("records.zip");
    channel_ = NewChannelOn(path_);
    ASSERT_NE(nullptr, channel_);
  }
  void TearDown() override {
    ReleaseChannel(channel_);
    ReleaseEntries(&entries_);
  }

  // Writes an entry's local header and data as the add operation lays them
  // out, advances the archive offset past them and lists the entry.
  void WriteEntry(ZipEntry* entry, const std::vector<uint8_t>& data) {
    entry->localHeaderOffset = offset_;
    WriteLocalHeader(channel_, entry);
    WriteBytes(channel_, data.data(), static_cast<uint32_t>(data.size()));
    offset_ += kLocalHeaderSize + entry->nameLength + kLocalExtraLength + static_cast<uint32_t>(data.size());
    ZipEntry** link = &entries_;
    while (*link != nullptr) link = &(*link)->next;
    *link = entry;
  }
  // Writes the directory of the listed entries and gives the whole file.
  std::vector<uint8_t> CloseAndRead() {
    EXPECT_EQ(offset_ + DirectorySize() + kEndOfDirectorySize, WriteCentralDirectory(channel_, entries_, offset_));
    EXPECT_EQ(ArchiveOk, channel_->errorCode);
    return Output();
  }
  uint32_t DirectorySize() const {
    uint32_t size = 0;
    for (const ZipEntry* entry = entries_; entry != nullptr; entry = entry->next) size += CentralHeaderLength(entry);
    return size;
  }
  // What reached the file. Windows lets nobody read the output while it is
  // open, so this ends the writing.
  std::vector<uint8_t> Output() {
    CloseFile(channel_->output);
    channel_->output = kNoFile;
    return ReadWholeFile(path_);
  }

  TempDir dir_;
  std::string path_;
  OutputChannel* channel_ = nullptr;
  ZipEntry* entries_ = nullptr;
  uint32_t offset_ = 0;
};

TEST_F(ZipRecords, TheLocalHeaderCarriesTheEntryAndTheFullTimestampField) {
  ZipEntry* entry = NewEntry("dir\\a.txt", kMethodDeflated, 0xDEADBEEF, 100, 250);
  WriteLocalHeader(channel_, entry);
  ReleaseFixedMemory(entry);
  EXPECT_EQ(Bytes({Hex("50 4B 03 04  14 00  02 00  08 00  F2 51  69 58  EF BE AD DE  64 00 00 00  FA 00 00 00"
                       "09 00  11 00"),
                   Text("dir/a.txt"), Hex("55 54  0D 00  07  44 33 22 11  88 77 66 55  CC BB AA 99")}),
            Output());
}

TEST_F(ZipRecords, TheProvisionalHeaderIsRewrittenInPlaceWithTheSameLength) {
  ZipEntry* entry = NewEntry("x.bin", kMethodDeflated, 0, 0, 0xFFFFFFFF);
  entry->gpFlags = 0x0008;
  WriteEntry(entry, {0xAA, 0xBB, 0xCC});
  entry->gpFlags = 0x0002;
  entry->crc32 = 0x01020304;
  entry->compressedSize = 3;
  entry->uncompressedSize = 7;
  ASSERT_TRUE(SeekOutput(channel_, 0));
  WriteLocalHeader(channel_, entry);
  ASSERT_TRUE(SeekOutput(channel_, offset_));
  const std::vector<uint8_t> file = CloseAndRead();
  const std::vector<uint8_t> expectedLocal =
      Bytes({Hex("50 4B 03 04  14 00  02 00  08 00  F2 51  69 58  04 03 02 01  03 00 00 00  07 00 00 00"
                 "05 00  11 00"),
             Text("x.bin"), Hex("55 54 0D 00 07 44 33 22 11 88 77 66 55 CC BB AA 99"), Hex("AA BB CC")});
  ASSERT_GE(file.size(), expectedLocal.size());
  EXPECT_EQ(expectedLocal, std::vector<uint8_t>(file.begin(), file.begin() + 55));
}

TEST_F(ZipRecords, TheCentralDirectoryDescribesEveryEntryAndEndsWithTheEndRecord) {
  WriteEntry(NewEntry("a", kMethodStored, 0x352441C2, 3, 3), Text("abc"));
  ZipEntry* second = NewEntry("b.gz", kMethodDeflated, 0xCAFEF00D, 2, 9);
  second->externalAttributes = 0x81C00021;
  WriteEntry(second, {0x4B, 0x04});
  ASSERT_EQ(104u, offset_);

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
